#include "platform/Prompt.h"

namespace {

// Used when nothing is installed: never blocks, takes the first button.
class CDefaultPrompter : public IPrompter {
public:
    int MessageBox(const std::string&, unsigned type) override {
        switch (type & 0xF) {
            case MB_YESNO:
            case MB_YESNOCANCEL:
                return IDYES;
            default:
                return IDOK;
        }
    }
    bool OpenFile(FileDialogRequest&) override { return false; }
    bool SaveFile(FileDialogRequest&) override { return false; }
};

CDefaultPrompter g_Default;
IPrompter* g_Prompter = &g_Default;

}  // namespace

IPrompter& Prompter() { return *g_Prompter; }

void SetPrompter(IPrompter* p) { g_Prompter = p ? p : &g_Default; }

int MsgBox(const std::string& text, unsigned type) { return g_Prompter->MessageBox(text, type); }

CScriptedPrompter::CScriptedPrompter() : m_Previous(&Prompter()) { SetPrompter(this); }

CScriptedPrompter::~CScriptedPrompter() {
    if (&Prompter() == this) SetPrompter(m_Previous == this ? nullptr : m_Previous);
}

int CScriptedPrompter::MessageBox(const std::string& text, unsigned type) {
    texts.push_back(text);
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    if (defaultAnswer >= 0) return defaultAnswer;
    return g_Default.MessageBox(text, type);
}

static bool NextFile(std::deque<std::string>& files, FileDialogRequest& req) {
    if (files.empty()) return false;
    std::string f = files.front();
    files.pop_front();
    if (f.empty()) return false;
    req.fileName = f;
    return true;
}

bool CScriptedPrompter::OpenFile(FileDialogRequest& req) {
    fileRequests.push_back(req);
    return NextFile(files, req);
}

bool CScriptedPrompter::SaveFile(FileDialogRequest& req) {
    fileRequests.push_back(req);
    return NextFile(files, req);
}

bool CScriptedPrompter::OpenFiles(FileDialogRequest& req, std::vector<std::string>& chosen) {
    if (fileLists.empty()) return IPrompter::OpenFiles(req, chosen);
    fileRequests.push_back(req);
    chosen = fileLists.front();
    fileLists.pop_front();
    if (chosen.empty()) return false;
    req.fileName = chosen.front();
    return true;
}

bool CScriptedPrompter::Saw(const std::string& part) const {
    for (const auto& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

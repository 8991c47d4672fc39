#pragma once
// Every message box and file dialog of the program goes through one prompter.
// The program installs the Qt one; tests install a scripted one that records
// each text and answers as the test said.

#include <deque>
#include <string>
#include <vector>

// Button sets and answers keep their long-standing numeric values, since
// callers compare and store them.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct FileDialogRequest {
    std::string title;
    std::string directory;         // start folder
    std::string fileName;          // proposed name; the chosen full path on return
    std::string filter;            // Qt filter text, e.g. "Text files (*.txt);;All files (*)"
    std::string defaultExt;        // without dot
    bool confirmOverwrite = true;  // false: the caller asks its own question
};

class IPrompter {
public:
    virtual ~IPrompter() = default;
    virtual int MessageBox(const std::string& text, unsigned type) = 0;
    // True when the user chose a file; req.fileName then holds its path.
    virtual bool OpenFile(FileDialogRequest& req) = 0;
    virtual bool SaveFile(FileDialogRequest& req) = 0;
    // An open dialog that takes several existing files; true when the user
    // chose at least one, files then holds them in the dialog's order.
    // A prompter without its own asks for one file.
    virtual bool OpenFiles(FileDialogRequest& req, std::vector<std::string>& files) {
        if (!OpenFile(req) || req.fileName.empty()) return false;
        files = {req.fileName};
        return true;
    }
    // True while a box or dialog of this prompter is open (the idle driver waits).
    virtual bool IsBusy() const { return false; }
};

IPrompter& Prompter();
// Installs p (not owned); nullptr restores the default, which answers every
// box with its first button and every file dialog with Cancel.
void SetPrompter(IPrompter* p);

int MsgBox(const std::string& text, unsigned type = MB_OK);

// Test prompter: records every text, answers from a queue (then the default).
class CScriptedPrompter : public IPrompter {
public:
    CScriptedPrompter();            // installs itself
    ~CScriptedPrompter() override;  // restores the previous prompter

    int MessageBox(const std::string& text, unsigned type) override;
    bool OpenFile(FileDialogRequest& req) override;
    bool SaveFile(FileDialogRequest& req) override;
    // Takes the next of fileLists; with none left, the next of files.
    bool OpenFiles(FileDialogRequest& req, std::vector<std::string>& chosen) override;

    std::vector<std::string> texts;  // every message box text, in order
    std::deque<int> answers;         // next answers to message boxes
    int defaultAnswer = -1;          // -1: the box's first button (IDOK / IDYES)
    std::deque<std::string> files;   // next chosen files; empty string = Cancel
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::vector<std::string>> fileLists;  // next multi-file choices; empty = Cancel

    bool Saw(const std::string& part) const;  // any text contains part

private:
    IPrompter* m_Previous;
};

#pragma once
// The program's prompter: Qt message boxes and file dialogs, parented to the
// active window.

#include <string>
#include <vector>

class QString;

#include "platform/Prompt.h"

// A path as Qt gives it, in the file system's bytes.
std::string PathBytes(const QString& path);

// Title of every message box, as of the main window.
inline constexpr char kProgramTitle[] = "Vornamap";

class CQtPrompter : public IPrompter {
public:
    int MessageBox(const std::string& text, unsigned type) override;
    bool OpenFile(FileDialogRequest& req) override;
    bool SaveFile(FileDialogRequest& req) override;
    bool OpenFiles(FileDialogRequest& req, std::vector<std::string>& files) override;
    bool IsBusy() const override { return m_Open > 0; }
    // The program is ending before its window is up: the open boxes and
    // dialogs close as if cancelled, later ones answer so without showing.
    void Abandon();
    bool Abandoned() const { return m_Abandoned; }

    // A filter as the program writes it ("Text (*.txt)|*.txt|All Files (*.*)|*.*||")
    // in Qt's form; a filter without '|' is taken as Qt's already. "*.*"
    // becomes "*", since the program's filters mean every file, dotless names included.
    static std::string QtFilter(const std::string& filter);
    // The chosen name with the default extension appended when it has none.
    static std::string WithDefaultExt(const std::string& path, const std::string& ext);

private:
    // several: an open dialog that takes several files, given back there.
    bool RunFileDialog(FileDialogRequest& req, bool save, std::vector<std::string>* several = nullptr);
    int m_Open = 0;
    bool m_Abandoned = false;
};

// Installs the Qt prompter for the rest of the run (main calls it after
// making the QApplication).
void InstallQtPrompter();
// The installed Qt prompter.
CQtPrompter& QtPrompter();

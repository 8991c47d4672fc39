#include "platformui/QtPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>
#include <vector>

#include "platform/Text.h"

namespace {

// Messages carry names and comments as stored (8-bit, Latin-1) as well as
// paths (UTF-8 on Linux): valid UTF-8 is shown as such, anything else as
// Latin-1, which reads every byte.
QString MessageText(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return s;
    return Latin1Text(text);
}

QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QWidget* ActiveParent() { return QApplication::activeWindow(); }

struct BusyScope {
    int& count;
    explicit BusyScope(int& c) : count(c) { ++count; }
    ~BusyScope() { --count; }
};

CQtPrompter g_QtPrompter;

}  // namespace

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

int CQtPrompter::MessageBox(const std::string& text, unsigned type) {
    QMessageBox box(ActiveParent());
    box.setWindowTitle(QString::fromLatin1(kProgramTitle));
    // Paths and waypoint names may hold '<' or '&': never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(MessageText(text));
    switch (type & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    QPushButton* escape = nullptr;
    QPushButton* first = nullptr;
    switch (type & 0xF) {
        case MB_OKCANCEL:
            first = box.addButton(QMessageBox::Ok);
            escape = box.addButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            first = box.addButton(QMessageBox::Yes);
            escape = box.addButton(QMessageBox::No);
            break;
        case MB_YESNOCANCEL:
            first = box.addButton(QMessageBox::Yes);
            box.addButton(QMessageBox::No);
            escape = box.addButton(QMessageBox::Cancel);
            break;
        default:
            first = escape = box.addButton(QMessageBox::Ok);
            break;
    }
    box.setDefaultButton(first);
    box.setEscapeButton(escape);

    BusyScope busy(m_Open);
    if (!m_Abandoned) box.exec();
    QAbstractButton* clicked = m_Abandoned ? nullptr : box.clickedButton();
    if (!clicked) clicked = escape;
    switch (box.standardButton(clicked)) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

std::string CQtPrompter::QtFilter(const std::string& filter) {
    if (filter.find('|') == std::string::npos) return filter;
    std::vector<std::string> parts;
    std::string cur;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string desc = parts[i];
        const std::string& pat = parts[i + 1];
        if (desc.empty() && pat.empty()) break;  // the closing "||"
        // Qt reads the patterns from the description's trailing parentheses,
        // so those are rebuilt from the pattern field.
        size_t open = desc.rfind('(');
        if (open != std::string::npos && !desc.empty() && desc.back() == ')') desc.erase(open);
        while (!desc.empty() && desc.back() == ' ') desc.pop_back();
        std::string pats;
        std::string one;
        auto flush = [&] {
            while (!one.empty() && one.front() == ' ') one.erase(0, 1);
            while (!one.empty() && one.back() == ' ') one.pop_back();
            if (one.empty()) return;
            if (one == "*.*") one = "*";
            if (!pats.empty()) pats += ' ';
            pats += one;
            one.clear();
        };
        for (char c : pat) {
            if (c == ';')
                flush();
            else
                one += c;
        }
        flush();
        if (pats.empty()) pats = "*";
        if (!out.empty()) out += ";;";
        out += desc + " (" + pats + ")";
    }
    return out;
}

std::string CQtPrompter::WithDefaultExt(const std::string& path, const std::string& ext) {
    if (ext.empty() || path.empty()) return path;
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') != std::string::npos) return path;
    return path + "." + ext;
}

bool CQtPrompter::RunFileDialog(FileDialogRequest& req, bool save, std::vector<std::string>* several) {
    QFileDialog dlg(ActiveParent(), MessageText(req.title));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save && !req.confirmOverwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setFileMode(save      ? QFileDialog::AnyFile
                    : several ? QFileDialog::ExistingFiles
                              : QFileDialog::ExistingFile);
    QString filter = QString::fromStdString(QtFilter(req.filter));
    if (!filter.isEmpty()) dlg.setNameFilters(filter.split(QStringLiteral(";;")));
    if (!req.defaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(req.defaultExt));
    if (!req.directory.empty()) dlg.setDirectory(PathText(req.directory));
    if (!req.fileName.empty()) dlg.selectFile(PathText(req.fileName));

    BusyScope busy(m_Open);
    if (m_Abandoned || dlg.exec() != QDialog::Accepted || m_Abandoned) return false;
    QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
    req.fileName = PathBytes(chosen.front());
    if (several) {
        several->clear();
        for (const QString& f : chosen) several->push_back(PathBytes(f));
    }
    // A native dialog may ignore the default suffix.
    if (save) req.fileName = WithDefaultExt(req.fileName, req.defaultExt);
    return true;
}

bool CQtPrompter::OpenFile(FileDialogRequest& req) { return RunFileDialog(req, false); }

bool CQtPrompter::SaveFile(FileDialogRequest& req) { return RunFileDialog(req, true); }

bool CQtPrompter::OpenFiles(FileDialogRequest& req, std::vector<std::string>& files) {
    return RunFileDialog(req, false, &files);
}

void CQtPrompter::Abandon() {
    m_Abandoned = true;
    // Every open dialog, the program's own ones too: their exec() returns.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (QDialog* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
}

void InstallQtPrompter() { SetPrompter(&g_QtPrompter); }

CQtPrompter& QtPrompter() { return g_QtPrompter; }

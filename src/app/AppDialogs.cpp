#include "app/AppDialogs.h"

#include <QApplication>

#include "app/DlgFileLocations.h"
#include "app/DlgPreferences.h"
#include "platform/Prompt.h"

namespace {

class CQtAppDialogs : public IAppDialogs {
public:
    int RunFileLocations(FileLocationsValues& values) override {
        CDlgFileLocations dlg(QApplication::activeWindow());
        static_cast<FileLocationsValues&>(dlg) = values;
        const int rc = dlg.DoModal();
        if (rc == IDOK) values = dlg;
        return rc;
    }
    int RunPreferences(PreferencesValues& values) override {
        CDlgPreferences dlg(QApplication::activeWindow());
        static_cast<PreferencesValues&>(dlg) = values;
        const int rc = dlg.DoModal();
        if (rc == IDOK) values = dlg;
        return rc;
    }
};

}  // namespace

IAppDialogs& QtAppDialogs() {
    static CQtAppDialogs dialogs;
    return dialogs;
}

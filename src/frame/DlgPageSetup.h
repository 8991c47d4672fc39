#pragma once
// "Page Setup": the four print margins in millimetres.

#include <QDialog>

class QLineEdit;

class CDlgPageSetup : public QDialog {
    Q_OBJECT
public:
    explicit CDlgPageSetup(QWidget* parent = nullptr);

    // Filled by the caller before DoModal, read after it (millimetres).
    double m_Bottom = 0;
    double m_Left = 0;
    double m_Right = 0;
    double m_Top = 0;
    // The printable page in hundredths of a millimetre, the height less the
    // title line: the margins must leave some of it. 0: not checked.
    int m_PageWidth = 0;
    int m_PageHeight = 0;

    int DoModal();  // IDOK or IDCANCEL

    // Moves the fields into the edits (false) or back (true); false when an
    // edit does not hold a number or holds a negative one, or the margins
    // leave nothing of the page (the user was told and the edit focused).
    bool UpdateData(bool save);

    void accept() override;

private:
    QLineEdit* m_Edit[4];  // left, top, right, bottom
};

#pragma once
// "Print Setup": the printer, the paper, its orientation and the printer's
// margins of the program's printer. It prints nothing; the map panes take
// their print areas from what it sets.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPrinter;
class QRadioButton;

class CDlgPrintSetup : public QDialog {
    Q_OBJECT
public:
    // Shows the printer's present choice; OK applies to it.
    explicit CDlgPrintSetup(QPrinter& printer, QWidget* parent = nullptr);

    // The controls into the printer; false (the user told, the printer
    // unchanged) when a margin is no number or the page refuses it.
    bool Apply();
    void accept() override;

private:
    QPrinter& m_Printer;
    QComboBox* m_PrinterName;
    QComboBox* m_Paper;
    QRadioButton* m_Portrait;
    QRadioButton* m_Landscape;
    QLineEdit* m_Margin[4];  // left, top, right, bottom
};

#pragma once
// "Search Field Properties": band width, point distance, heading, the
// navigators' position in the bands and routing through all points.

#include <QDialog>
#include <QPointer>

#include "doc/SearchAreaLinks.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class CDlgSearchArea : public QDialog {
public:
    explicit CDlgSearchArea(QWidget* parent = nullptr);
    // The caller fills the members, runs the dialog and, after OK, reads them.
    int DoModal();
    bool UpdateData(bool save);
    void accept() override;

    double m_BandWidth = 0;
    double m_PointDistance = 0;
    int m_Heading = 0;
    int m_PointsAtEdge = -1;
    bool m_RouteThroughAll = false;
    bool m_HeadingEditable = false;

private:
    QLineEdit* m_BandEdit;
    QLineEdit* m_DistanceEdit;
    QLineEdit* m_HeadingEdit;
    QRadioButton* m_Middle;
    QRadioButton* m_Edge;
    QCheckBox* m_Route;
};

class CQtSearchAreaDialog : public ISearchAreaDialog {
public:
    explicit CQtSearchAreaDialog(QWidget* parent = nullptr) : m_Parent(parent) {}
    bool RunSearchAreaDialog(SearchFieldProperties& props) override;

private:
    QPointer<QWidget> m_Parent;
};

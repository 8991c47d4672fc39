#pragma once
// "Map Origin Coordinates": the fitted georeference of an image map and its
// errors, shown read-only before the fit is accepted; only the ending (OK or
// Cancel) counts.

#include <QDialog>
#include <QPointer>

#include "doc/MapOriginDialog.h"

class QLineEdit;

class CDlgMapOrigin : public QDialog {
    Q_OBJECT
public:
    explicit CDlgMapOrigin(const MapOriginInfo& info, QWidget* parent = nullptr);

    // The shown texts, for tests: X scale, Y scale, easting, northing,
    // angle, average distance, max distance, count.
    QString FieldText(int i) const;

private:
    QLineEdit* m_Fields[8] = {};
};

class CQtMapOriginDialog : public IMapOriginDialog {
public:
    explicit CQtMapOriginDialog(QWidget* parent = nullptr) : m_Parent(parent) {}
    int RunMapOriginDialog(const MapOriginInfo& info) override;

private:
    QPointer<QWidget> m_Parent;
};

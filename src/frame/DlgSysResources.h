#pragma once
// "Used System Resources": the application's memory-use counters, blocks and
// bytes per kind of store, read-only.

#include <QDialog>

class CDlgSysResources : public QDialog {
    Q_OBJECT
public:
    // counters: the application's memory-use counters (kMemCounterCount of them).
    explicit CDlgSysResources(const int* counters, QWidget* parent = nullptr);
    int DoModal();
};

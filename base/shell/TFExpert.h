// The database program's MDI main window.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace base {

class TFExpert : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFExpert(QWidget *parent = nullptr);
    QMdiArea *mdiArea() const { return m_mdi; }

private:
    QMdiArea *m_mdi;
};

} // namespace base

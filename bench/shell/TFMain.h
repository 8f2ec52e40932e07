// The controller's main window.
#pragma once

#include <QMainWindow>

namespace bench {

class TFMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFMain(QWidget *parent = nullptr);
};

} // namespace bench

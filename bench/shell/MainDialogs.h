// The main window's small modal panels: stand configuration, parameters, about box. They
// live as long as the window: their controls hold the values other parts read.
#pragma once

#include <QDialog>

class QButtonGroup;
class QSpinBox;

namespace bench {

/// "Конфигурация ": number of stands, positions per stand, current-circuit connection.
class SFConfigStend : public QDialog
{
    Q_OBJECT
public:
    explicit SFConfigStend(QWidget *parent = nullptr);
    QSpinBox *SECountStend;   ///< 1..10
    QSpinBox *SECountCh;      ///< 1..100
    QButtonGroup *RGConnectTip; ///< 0 "Контактодержатель", 1 "Проводники"
    int connectTip() const;
    void setConnectTip(int index);
};

/// "Параметры": the sensitivity threshold.
class SFParam : public QDialog
{
    Q_OBJECT
public:
    explicit SFParam(QWidget *parent = nullptr);
    QButtonGroup *RGsens;     ///< 0 "Переключение индикатора", 1 "Регистрация погрешности"
    int sens() const;
    void setSens(int index);
};

/// "О программе ".
class SFAbout : public QDialog
{
    Q_OBJECT
public:
    explicit SFAbout(QWidget *parent = nullptr);
};

/// Selects the button `index` of an exclusive group; an index out of range keeps the choice.
void selectRadio(QButtonGroup *group, int index);

} // namespace bench

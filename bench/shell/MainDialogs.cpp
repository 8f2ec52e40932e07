#include "bench/shell/MainDialogs.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace bench {

namespace {

QButtonGroup *radioGroup(QGroupBox *box, const QString &name, const QStringList &items)
{
    auto *group = new QButtonGroup(box);
    group->setObjectName(name);
    auto *layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), box);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return group;
}

QPushButton *button(QWidget *parent, const QString &text, const QString &name)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// The about box picture: a meter face drawn here rather than shipped as a file.
QPixmap meterPicture()
{
    QPixmap pm(72, 72);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 110), 3));
    p.setBrush(QColor(235, 240, 250));
    p.drawRoundedRect(4, 4, 64, 64, 8, 8);
    p.setBrush(Qt::white);
    p.drawRect(14, 16, 44, 14);
    p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 8, QFont::Bold));
    p.drawText(QRect(14, 16, 44, 14), Qt::AlignCenter, QStringLiteral("0710.5"));
    p.setBrush(QColor(220, 40, 40));
    p.drawEllipse(QPoint(36, 50), 6, 6);
    return pm;
}

int checkedIndex(const QButtonGroup *group)
{
    return group->checkedId() < 0 ? 0 : group->checkedId();
}

} // namespace

void selectRadio(QButtonGroup *group, int index)
{
    if (QAbstractButton *b = group->button(index))
        b->setChecked(true);
}

SFConfigStend::SFConfigStend(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SFConfigStend"));
    setWindowTitle(QStringLiteral("Конфигурация "));
    auto *counts = new QGroupBox(QStringLiteral("Конфигурация стендов"), this);
    auto *form = new QFormLayout(counts);
    SECountStend = new QSpinBox(counts);
    SECountStend->setObjectName(QStringLiteral("SECountStend"));
    SECountStend->setRange(1, 10);
    SECountCh = new QSpinBox(counts);
    SECountCh->setObjectName(QStringLiteral("SECountCh"));
    SECountCh->setRange(1, 100);
    form->addRow(QStringLiteral("Количество стендов"), SECountStend);
    form->addRow(QStringLiteral("Количество счетчиков на стенде"), SECountCh);

    auto *connect = new QGroupBox(QStringLiteral("Тип подключения токовой цепи"), this);
    RGConnectTip = radioGroup(connect, QStringLiteral("RGConnectTip"),
                              {QStringLiteral("Контактодержатель"), QStringLiteral("Проводники")});

    auto *ok = button(this, QStringLiteral("ОК"), QStringLiteral("BOk"));
    auto *cancel = button(this, QStringLiteral("Отмена"), QStringLiteral("BCancel"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(counts);
    layout->addWidget(connect);
    layout->addLayout(buttons);
}

int SFConfigStend::connectTip() const { return checkedIndex(RGConnectTip); }
void SFConfigStend::setConnectTip(int index) { selectRadio(RGConnectTip, index); }

SFParam::SFParam(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SFParam"));
    setWindowTitle(QStringLiteral("Параметры"));
    auto *box = new QGroupBox(QStringLiteral("Порог чувствительности"), this);
    RGsens = radioGroup(box, QStringLiteral("RGsens"),
                        {QStringLiteral("Переключение индикатора"), QStringLiteral("Регистрация погрешности")});
    auto *ok = button(this, QStringLiteral("OK"), QStringLiteral("BOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

int SFParam::sens() const { return checkedIndex(RGsens); }
void SFParam::setSens(int index) { selectRadio(RGsens, index); }

SFAbout::SFAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SFAbout"));
    setWindowTitle(QStringLiteral("О программе "));
    auto *picture = new QLabel(this);
    picture->setPixmap(meterPicture());
    auto *name = new QLabel(QStringLiteral("Программа \"Сталверт  TK710 v2.51\""), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto *text = new QLabel(QStringLiteral("Программа поверки и регулировки однофазных счетчиков активной\n"
                                           "электрической энергии."), this);
    auto *ok = button(this, QStringLiteral("OK"), QStringLiteral("BOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(text);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

} // namespace bench

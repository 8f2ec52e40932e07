#include "bench/data/TFdataReport.h"

#include "common/ProtocolSettings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bench {

namespace {
QLineEdit *edit(QWidget *parent, const QString &name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}
} // namespace

TFdataReport::TFdataReport(RegistryIni &registry, QWidget *parent) : QDialog(parent), m_registry(registry)
{
    setObjectName(QStringLiteral("TFdataReport"));
    setWindowTitle(QStringLiteral("Данные для протокола"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    auto *protocol = new QGroupBox(QStringLiteral("Протокол"), this);
    CBAuto = new QCheckBox(QStringLiteral("Автоинкримент номера протокола"), protocol);
    CBAuto->setObjectName(QStringLiteral("CBAuto"));
    ENumProt = edit(protocol, QStringLiteral("ENumProt"));
    ENumProt->installEventFilter(new ProtocolNumberKeyFilter(ENumProt));
    EPPover = edit(protocol, QStringLiteral("EPPover"));
    EMakerPov = edit(protocol, QStringLiteral("EMakerPov"));
    auto *pf = new QFormLayout(protocol);
    pf->addRow(CBAuto);
    pf->addRow(QStringLiteral("Номер протокола"), ENumProt);
    pf->addRow(QStringLiteral("Предприятие поверитель"), EPPover);
    pf->addRow(QStringLiteral("Поверку произвел"), EMakerPov);

    auto *installation = new QGroupBox(QStringLiteral("Установка"), this);
    ENumUst = edit(installation, QStringLiteral("ENumUst"));
    ENumSv = edit(installation, QStringLiteral("ENumSv"));
    Eot = edit(installation, QStringLiteral("Eot"));
    EDo = edit(installation, QStringLiteral("EDo"));
    auto *validity = new QHBoxLayout;
    validity->addWidget(new QLabel(QStringLiteral("Срок действия свидетельства "), installation));
    validity->addWidget(new QLabel(QStringLiteral("от"), installation));
    validity->addWidget(Eot);
    validity->addWidget(new QLabel(QStringLiteral("до"), installation));
    validity->addWidget(EDo);
    auto *inf = new QFormLayout(installation);
    inf->addRow(QStringLiteral("Номер установки"), ENumUst);
    inf->addRow(QStringLiteral("Свидетельство о поверке установки номер"), ENumSv);
    inf->addRow(validity);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(protocol);
    layout->addWidget(installation);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    load();
}

void TFdataReport::load()
{
    const ProtocolSettings s = ProtocolSettings::load(m_registry);
    CBAuto->setChecked(s.autoIncrement);
    EPPover->setText(s.verifier);
    EMakerPov->setText(s.verifiedBy);
    ENumProt->setText(s.protocolNumber);
    ENumUst->setText(s.installationNumber);
    ENumSv->setText(s.certificateNumber);
    Eot->setText(s.validFrom);
    EDo->setText(s.validUntil);
}

ProtocolSettings TFdataReport::settings() const
{
    ProtocolSettings s;
    s.autoIncrement = CBAuto->isChecked();
    s.protocolNumber = ENumProt->text();
    s.verifier = EPPover->text();
    s.verifiedBy = EMakerPov->text();
    s.installationNumber = ENumUst->text();
    s.certificateNumber = ENumSv->text();
    s.validFrom = Eot->text();
    s.validUntil = EDo->text();
    return s;
}

void TFdataReport::store()
{
    settings().store(m_registry);
}

void TFdataReport::RaiseProtocolNumber()
{
    if (!CBAuto->isChecked())
        return;
    ENumProt->setText(raiseProtocolNumberTolerant(ENumProt->text()));
    storeProtocolNumber(m_registry, ENumProt->text());
}

} // namespace bench

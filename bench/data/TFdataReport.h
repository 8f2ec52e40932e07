// "Данные для протокола" of the controller: the protocol header data the group protocol
// prints, kept in the registry key shared with the database program.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class RegistryIni;
struct ProtocolSettings;

namespace bench {

class TFdataReport : public QDialog
{
    Q_OBJECT
public:
    explicit TFdataReport(RegistryIni &registry, QWidget *parent = nullptr);

    /// Puts the registry copy into the controls (on creation and every time it is shown).
    void load();
    /// Writes the controls to the registry (when it closes).
    void store();
    /// After a protocol workbook with auto-increment on: the number + 1, stored at once.
    void RaiseProtocolNumber();

    ProtocolSettings settings() const; ///< what the controls hold now

    QCheckBox *CBAuto;
    QLineEdit *ENumProt, *EPPover, *EMakerPov, *ENumUst, *ENumSv, *Eot, *EDo;

private:
    RegistryIni &m_registry;
};

} // namespace bench

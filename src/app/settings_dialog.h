// The settings dialog. The server engine reads the settings through the static getters of
// zv::TFormPreferences (server/settings.h), which need no window; this dialog is that class's
// window part, so it shares the name in a namespace of its own and inherits the getters.
// Its controls are named after the keys the getters read.
#pragma once
#include <QDialog>

#include "app/form_base.h"
#include "server/settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zv::app {

class TFormPreferences : public TFormBase<QDialog>, public zv::TFormPreferences {
  Q_OBJECT

 public:
  explicit TFormPreferences(QWidget* Parent = nullptr);

  QGroupBox* GRPTCP;
  QRadioButton* RBTCPSelected;
  QLineEdit* EDITServerPortNr;
  QCheckBox* CHKUseUDP;
  QCheckBox* CHKIPv6;

  QGroupBox* GRPHDLC;
  QRadioButton* RBHDLCSelected;
  QLineEdit* EDITCOMNr;
  QLineEdit* EDITBaud;
  // The device the chosen COMNr means on this machine.
  QLabel* LBLCOMDevice;

  QGroupBox* GRPTweaks;
  QCheckBox* CHKDoNotSign;
  QCheckBox* CHKDoNotAuthenticate;
  QCheckBox* CHKDoNotEncrypt;
  QCheckBox* CHKIgnoreUnconfirmed;
  QCheckBox* CHKAcceptAARQ;
  QLineEdit* EDITMaxLogSize;

  QWidget* PNL1;
  QLineEdit* EDITSystemTitle;
  QLabel* LBLReceiveTimeout;
  QLineEdit* EDITReceiveTimeout;
  QCheckBox* CHKCompleteObjectList;
  QCheckBox* CHKDoNotLogSupportingLayerFrames;
  QCheckBox* CHKShortenLongXmlLogging;

  QGroupBox* GRPGBT;
  QSpinBox* SPINGBTWindowSize;
  QCheckBox* CHKGBTAbortToAbort;
  QCheckBox* CHKGBTSendStreams;

  QPushButton* BTNDefaultFont;
  QPushButton* BTNOk;
  QPushButton* BTNCancel;

 protected:
  // Reloads the stored values and puts back the values this version does not offer.
  void FormShow() override;

 private:
  // Every value control the server reads, as the getters give it.
  void ShowServerValues();
  // Checks the fields in order; the first faulty one gets the focus and a beep, and the
  // dialog stays open. Otherwise every control is stored and the dialog closes with OK.
  void BTNOkClick();
  void BTNDefaultFontClick();
  void UpdateCOMDevice();
};

}  // namespace zv::app

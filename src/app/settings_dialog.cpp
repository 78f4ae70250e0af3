#include "app/settings_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>
#include <utility>

#include "app/font_dispatcher.h"
#include "app/prompter.h"
#include "foundation/globals.h"
#include "foundation/misc.h"
#include "platform/serial_port.h"

namespace zv::app {

namespace {

template <class T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QCheckBox* CheckBox(const char* name, const char* caption) {
  return Named(new QCheckBox(QString::fromLatin1(caption)), name);
}

// An edit box wide enough for Chars digits.
QLineEdit* Edit(const char* name, int chars, const char* text = "") {
  auto* edit = Named(new QLineEdit(QString::fromLatin1(text)), name);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (chars + 2) + 8);
  return edit;
}

QLabel* Label(const char* caption, QWidget* buddy) {
  auto* label = new QLabel(QString::fromLatin1(caption));
  label->setBuddy(buddy);
  return label;
}

bool InRange(const QLineEdit* edit, int64_t low, int64_t high) {
  int32_t value;
  return TryStrToInt(edit->text().toStdString(), value) && value >= low && value <= high;
}

// Eight octets as "\" and eight characters or as hex; any other text is no system title.
bool IsSystemTitle(const QString& text) {
  try {
    TMisc::TStringFormat format;
    PduStr octets;
    TMisc::FormattedStrToByteStr(text.toStdString(), format, octets);
    return (format == TMisc::sfVisibleString || format == TMisc::sfHex) && octets.size() == 8;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

TFormPreferences::TFormPreferences(QWidget* Parent) : TFormBase<QDialog>(Parent) {
  setObjectName(QStringLiteral("FormPreferences"));
  setWindowTitle(QStringLiteral("Settings"));
  SetDialogBorder(true);

  GRPTCP = Named(new QGroupBox(QStringLiteral("TCP Profile")), "GRPTCP");
  RBTCPSelected = Named(new QRadioButton(QStringLiteral("Selected")), "RBTCPSelected");
  EDITServerPortNr = Edit("EDITServerPortNr", 6);
  CHKUseUDP = CheckBox("CHKUseUDP", "Use UDP");
  CHKIPv6 = CheckBox("CHKIPv6", "IPv6");
  auto* tcp = new QFormLayout(GRPTCP);
  tcp->addRow(RBTCPSelected);
  tcp->addRow(Label("Server Port: ", EDITServerPortNr), EDITServerPortNr);
  tcp->addRow(CHKUseUDP);
  tcp->addRow(CHKIPv6);

  GRPHDLC = Named(new QGroupBox(QStringLiteral("HDLC Profile")), "GRPHDLC");
  RBHDLCSelected = Named(new QRadioButton(QStringLiteral("Selected")), "RBHDLCSelected");
  EDITCOMNr = Edit("EDITCOMNr", 4);
  EDITBaud = Edit("EDITBaud", 10);
  auto* hdlc = new QFormLayout(GRPHDLC);
  hdlc->addRow(RBHDLCSelected);
  hdlc->addRow(Label("COMNr:", EDITCOMNr), EDITCOMNr);
  hdlc->addRow(Label("Baud:", EDITBaud), EDITBaud);
  LBLCOMDevice = Named(new QLabel, "LBLCOMDevice");
  LBLCOMDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
  hdlc->addRow(QStringLiteral("Device:"), LBLCOMDevice);
  connect(EDITCOMNr, &QLineEdit::textChanged, this, [this] { UpdateCOMDevice(); });

  // The two profiles sit in different groups, each a tab stop of its own. Checking one
  // unchecks the other; clicking a checked one leaves it checked.
  for (auto [button, other] : {std::pair{RBTCPSelected, RBHDLCSelected}, std::pair{RBHDLCSelected, RBTCPSelected}}) {
    button->setAutoExclusive(false);
    connect(button, &QRadioButton::toggled, other, [other = other](bool on) {
      if (on) other->setChecked(false);
    });
    connect(button, &QRadioButton::clicked, button, [button = button](bool on) {
      if (!on) button->setChecked(true);
    });
  }

  GRPTweaks = Named(new QGroupBox(QStringLiteral("TWEAKS")), "GRPTweaks");
  CHKDoNotSign = CheckBox("CHKDoNotSign", "Do not SIGN");
  CHKDoNotAuthenticate = CheckBox("CHKDoNotAuthenticate", "Do not AUTHENTICATE");
  CHKDoNotEncrypt = CheckBox("CHKDoNotEncrypt", "Do not ENCRYPT");
  CHKIgnoreUnconfirmed = CheckBox("CHKIgnoreUnconfirmed", "Ignore unconfirmed");
  CHKAcceptAARQ = CheckBox("CHKAcceptAARQ", "Accept AARQ when Associated");
  EDITMaxLogSize = Edit("EDITMaxLogSize", 8, "0");
  auto* tweaks = new QFormLayout(GRPTweaks);
  for (QCheckBox* box : {CHKDoNotSign, CHKDoNotAuthenticate, CHKDoNotEncrypt, CHKIgnoreUnconfirmed, CHKAcceptAARQ})
    tweaks->addRow(box);
  tweaks->addRow(Label("Max LOG size:", EDITMaxLogSize), EDITMaxLogSize);

  PNL1 = Named(new QWidget, "PNL1");
  EDITSystemTitle = Named(new QLineEdit, "EDITSystemTitle");
  EDITSystemTitle->setMinimumWidth(EDITSystemTitle->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
  EDITReceiveTimeout = Edit("EDITReceiveTimeout", 10, "5000");
  LBLReceiveTimeout = Named(Label("Receive timeout (ms):", EDITReceiveTimeout), "LBLReceiveTimeout");
  CHKCompleteObjectList = CheckBox("CHKCompleteObjectList", "Automatically complete Association object list");
  CHKDoNotLogSupportingLayerFrames = CheckBox("CHKDoNotLogSupportingLayerFrames", "Do not log supporting layer frames");
  CHKShortenLongXmlLogging = CheckBox("CHKShortenLongXmlLogging", "Shorten long xml logging");
  auto* panel = new QFormLayout(PNL1);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addRow(Label("System Title: ", EDITSystemTitle), EDITSystemTitle);
  panel->addRow(LBLReceiveTimeout, EDITReceiveTimeout);
  panel->addRow(CHKCompleteObjectList);
  panel->addRow(CHKDoNotLogSupportingLayerFrames);
  panel->addRow(CHKShortenLongXmlLogging);

  GRPGBT = Named(new QGroupBox(QStringLiteral("GBT")), "GRPGBT");
  SPINGBTWindowSize = Named(new QSpinBox, "SPINGBTWindowSize");
  SPINGBTWindowSize->setRange(1, 63);
  SPINGBTWindowSize->setValue(1);
  CHKGBTAbortToAbort = CheckBox("CHKGBTAbortToAbort", "Answer ABORT to ABORT");
  CHKGBTSendStreams = CheckBox("CHKGBTSendStreams", "Send streams");
  auto* gbt = new QFormLayout(GRPGBT);
  gbt->addRow(Label("Advertized window size:", SPINGBTWindowSize), SPINGBTWindowSize);
  gbt->addRow(CHKGBTAbortToAbort);
  gbt->addRow(CHKGBTSendStreams);

  BTNDefaultFont = Named(new QPushButton(QStringLiteral("Default Font...")), "BTNDefaultFont");
  BTNDefaultFont->setAutoDefault(false);
  BTNOk = Named(new QPushButton(QStringLiteral("OK")), "BTNOk");
  BTNOk->setDefault(true);
  BTNCancel = Named(new QPushButton(QStringLiteral("Cancel")), "BTNCancel");
  BTNCancel->setAutoDefault(false);

  auto* profilesRow = new QHBoxLayout;
  profilesRow->addWidget(GRPTCP, 1);
  profilesRow->addWidget(GRPHDLC, 1);
  auto* hiddenRow = new QHBoxLayout;
  hiddenRow->addWidget(GRPTweaks);
  hiddenRow->addWidget(GRPGBT);
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(BTNDefaultFont);
  fontRow->addWidget(new QLabel(QStringLiteral("Select ''Dina'' for best results")));
  fontRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BTNOk);
  buttons->addWidget(BTNCancel);
  auto* main = new QVBoxLayout(this);
  main->setSizeConstraint(QLayout::SetFixedSize);
  main->addLayout(profilesRow);
  main->addWidget(PNL1);
  main->addLayout(hiddenRow);
  main->addLayout(fontRow);
  main->addSpacing(6);
  main->addLayout(buttons);

  setTabOrder(RBTCPSelected, EDITServerPortNr);
  setTabOrder(EDITServerPortNr, RBHDLCSelected);
  setTabOrder(RBHDLCSelected, EDITCOMNr);
  setTabOrder(EDITCOMNr, EDITBaud);
  setTabOrder(EDITBaud, EDITSystemTitle);
  setTabOrder(EDITSystemTitle, CHKCompleteObjectList);
  setTabOrder(CHKCompleteObjectList, CHKDoNotLogSupportingLayerFrames);
  setTabOrder(CHKDoNotLogSupportingLayerFrames, CHKShortenLongXmlLogging);
  setTabOrder(CHKShortenLongXmlLogging, BTNDefaultFont);
  setTabOrder(BTNDefaultFont, BTNOk);
  setTabOrder(BTNOk, BTNCancel);

  connect(BTNOk, &QPushButton::clicked, this, [this] { BTNOkClick(); });
  connect(BTNCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BTNDefaultFont, &QPushButton::clicked, this, [this] { BTNDefaultFontClick(); });

  // This version offers neither the tweaks nor the block-transfer choices: the dialog is
  // laid out without them.
  GRPTweaks->hide();
  GRPGBT->hide();
  LBLReceiveTimeout->hide();
  EDITReceiveTimeout->hide();
  CHKUseUDP->hide();
  CHKIPv6->hide();
}

void TFormPreferences::ShowServerValues() {
  const std::pair<QLineEdit*, int> numbers[] = {{EDITServerPortNr, GetServerPortNr()}, {EDITCOMNr, GetHDLCCOMNr()},
                                                {EDITBaud, GetHDLCBaud()},           {EDITMaxLogSize, GetMaxLogSize()},
                                                {EDITReceiveTimeout, GetEDITReceiveTimeout()}};
  for (const auto& [edit, value] : numbers) edit->setText(QString::number(value));
  EDITSystemTitle->setText(QString::fromStdString(GetSystemTitle()));
  const std::pair<QCheckBox*, bool> boxes[] = {
      {CHKDoNotSign, GetCHKDoNotSign()},
      {CHKDoNotAuthenticate, GetCHKDoNotAuthenticate()},
      {CHKDoNotEncrypt, GetCHKDoNotEncrypt()},
      {CHKIgnoreUnconfirmed, GetCHKIgnoreUnconfirmed()},
      {CHKAcceptAARQ, GetAcceptAARQWhenAssociated()},
      {CHKCompleteObjectList, GetCHKComleteObjecList()},
      {CHKDoNotLogSupportingLayerFrames, GetCHKDoNotLogSupportingLayerFrames()},
      {CHKShortenLongXmlLogging, GetCHKShortenLongXmlLogging()},
      {CHKGBTAbortToAbort, GetGBTAbortToAbort()}};
  for (const auto& [box, value] : boxes) box->setChecked(value);
}

void TFormPreferences::FormShow() {
  // What the file holds, and for a key it lacks what the server uses without it: OK on an
  // unchanged dialog must not change what the server does.
  ShowServerValues();
  DoProfileActions(paReadControls);
  // The server reads the TCP key alone; the HDLC key stored beside it may say otherwise.
  const bool tcp = GetCommunicationProfile() == 1;
  RBTCPSelected->setChecked(tcp);
  RBHDLCSelected->setChecked(!tcp);
  for (QCheckBox* box : {CHKUseUDP, CHKIPv6}) {
    box->setChecked(false);
    box->setEnabled(false);
    box->hide();
  }
  // The values this version does not offer; the server does not read them. The hidden
  // tweaks and the receive timeout, which it does read, keep what the file holds.
  SPINGBTWindowSize->setEnabled(false);
  SPINGBTWindowSize->setValue(1);
  CHKGBTSendStreams->setChecked(false);
  CHKGBTSendStreams->setEnabled(false);
  GRPTweaks->hide();
  GRPGBT->hide();
  EDITReceiveTimeout->hide();
  LBLReceiveTimeout->hide();
  UpdateCOMDevice();
}

void TFormPreferences::BTNOkClick() {
  auto refuse = [](QLineEdit* edit) {
    edit->setFocus();
    edit->selectAll();
    Prompter().Beep();
  };
  if (!RBTCPSelected->isChecked() && !RBHDLCSelected->isChecked()) {
    ShowMessage(this, QStringLiteral("No communication profile selected."));
    return;
  }
  constexpr int64_t kMaxInt = std::numeric_limits<int32_t>::max();
  if (RBHDLCSelected->isChecked()) {
    if (!InRange(EDITCOMNr, 1, 255)) return refuse(EDITCOMNr);
    if (!InRange(EDITBaud, 300, kMaxInt)) return refuse(EDITBaud);
  } else if (!InRange(EDITServerPortNr, 1, 65535)) {
    return refuse(EDITServerPortNr);
  }
  if (!InRange(EDITReceiveTimeout, 0, kMaxInt)) return refuse(EDITReceiveTimeout);
  if (!IsSystemTitle(EDITSystemTitle->text())) return refuse(EDITSystemTitle);
  DoProfileActions(paWriteControls);
  accept();
}

void TFormPreferences::UpdateCOMDevice() {
  int32_t nr;
  const bool valid = TryStrToInt(EDITCOMNr->text().toStdString(), nr) && nr >= 1 && nr <= 255;
  LBLCOMDevice->setText(valid ? QString::fromStdString(SerialDeviceText(SerialDevicePath(nr, SettingsFolder())))
                              : QStringLiteral("-"));
}

void TFormPreferences::BTNDefaultFontClick() { FontDispatcher().SelectFont(this); }

}  // namespace zv::app

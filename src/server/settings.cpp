#include "server/settings.h"

#include <atomic>

#include "foundation/errors.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {

namespace {

constexpr char kSection[] = "FormPreferences";
std::atomic<TIniFile*> gIni{nullptr};

TIniFile& Ini() {
  TIniFile* ini = gIni.load();
  return ini ? *ini : IniFile();
}

int Int(const char* key, int def) { return Ini().ReadInteger(kSection, key, def); }
bool Bool(const char* key, bool def) { return Ini().ReadBool(kSection, key, def); }

}  // namespace

void TFormPreferences::SetIniFile(TIniFile* ini) { gIni.store(ini); }

int TFormPreferences::GetCommunicationProfile() { return Bool("RBTCPSelected", false) ? 1 : 3; }
int TFormPreferences::GetServerPortNr() { return Int("EDITServerPortNr", 0); }
int TFormPreferences::CheckedServerPortNr() {
  const int port = GetServerPortNr();
  if (port >= 1 && port <= 65535) return port;
  // The text as the user wrote it, read again only to name it.
  const std::string text = Ini().ReadString(kSection, "EDITServerPortNr", "");
  throw Exception(Format("Server Port \"%s\" is not a port number (1..65535), the server is not started", text.c_str()));
}
int TFormPreferences::GetEDITReceiveTimeout() { return Int("EDITReceiveTimeout", 5000); }
int TFormPreferences::GetHDLCCOMNr() { return Int("EDITCOMNr", 1); }
int TFormPreferences::GetHDLCBaud() { return Int("EDITBaud", 9600); }
int TFormPreferences::GetMaxLogSize() { return Int("EDITMaxLogSize", 0); }
std::string TFormPreferences::GetSystemTitle() { return Ini().ReadString(kSection, "EDITSystemTitle", ""); }
bool TFormPreferences::GetAcceptAARQWhenAssociated() { return Bool("CHKAcceptAARQ", false); }
bool TFormPreferences::GetCHKComleteObjecList() { return Bool("CHKCompleteObjectList", false); }
bool TFormPreferences::GetCHKDoNotLogSupportingLayerFrames() { return Bool("CHKDoNotLogSupportingLayerFrames", false); }
bool TFormPreferences::GetCHKIgnoreUnconfirmed() { return Bool("CHKIgnoreUnconfirmed", false); }
bool TFormPreferences::GetCHKShortenLongXmlLogging() { return Bool("CHKShortenLongXmlLogging", false); }
bool TFormPreferences::GetGBTAbortToAbort() { return Bool("CHKGBTAbortToAbort", true); }
bool TFormPreferences::GetCHKDoNotSign() { return Bool("CHKDoNotSign", false); }
bool TFormPreferences::GetCHKDoNotAuthenticate() { return Bool("CHKDoNotAuthenticate", false); }
bool TFormPreferences::GetCHKDoNotEncrypt() { return Bool("CHKDoNotEncrypt", false); }

}  // namespace zv

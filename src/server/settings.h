// The settings the server engine reads, each from the settings file at the moment it is
// needed (section "FormPreferences", key = the settings dialog's control name), so that a
// changed setting takes effect at the next request or session.
#pragma once
#include <string>

namespace zv {

class TIniFile;

class TFormPreferences {
 public:
  // The file the getters read; the process-wide settings file unless a test gives another.
  static void SetIniFile(TIniFile* ini);

  static int GetCommunicationProfile();  // 1 TCP, 3 HDLC
  static int GetServerPortNr();
  // The port a TCP session listens on: a value outside 1..65535, or no number, raises an
  // Exception that names it (0 would listen on a port the user cannot find).
  static int CheckedServerPortNr();
  static int GetEDITReceiveTimeout();
  static int GetHDLCCOMNr();
  static int GetHDLCBaud();
  static int GetMaxLogSize();
  static std::string GetSystemTitle();
  static bool GetAcceptAARQWhenAssociated();
  static bool GetCHKComleteObjecList();
  static bool GetCHKDoNotLogSupportingLayerFrames();
  static bool GetCHKIgnoreUnconfirmed();
  static bool GetCHKShortenLongXmlLogging();
  static bool GetGBTAbortToAbort();
  static bool GetCHKDoNotSign();
  static bool GetCHKDoNotAuthenticate();
  static bool GetCHKDoNotEncrypt();
  static int GetGBTWindowSize() { return 1; }
  static bool GetGBTSendStreams() { return true; }
  static bool GetIPv6() { return false; }
  static bool GetUseUDP() { return false; }
};

}  // namespace zv

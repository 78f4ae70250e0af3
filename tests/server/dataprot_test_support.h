// What the data protection tests share: the fixture device and the client's keys for it.
#pragma once
#include <string>

#include "support/data_protection_client.h"

namespace zv::test::dataprot {

inline std::string DataProtectionFixture() {
  const std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../fixtures/data_protection.xml";
}

inline TClientKeys Keys() {
  TClientKeys k;
  k.Suite = 1;
  k.ClientTitle = HexStrToByteStr("4D4D4D0000BC614E");
  k.ServerTitle = HexStrToByteStr("5A52560000000001");
  k.GUEK = HexStrToByteStr("000102030405060708090A0B0C0D0E0F");
  k.GAK = HexStrToByteStr("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
  k.KEK = HexStrToByteStr("606162636465666768696A6B6C6D6E6F");
  k.ClientSigning = {HexStrToByteStr("1111111111111111111111111111111111111111111111111111111111111111"),
                     HexStrToByteStr("0217E617F0B6443928278F96999E69A23A4F2C152BDF6D6CDF66E5B80282D4ED"
                                     "194A7DEBCB97712D2DDA3CA85AA8765A56F45FC758599652F2897C65306E5794")};
  k.ClientAgreement = {HexStrToByteStr("2222222222222222222222222222222222222222222222222222222222222222"),
                       HexStrToByteStr("D65A93977CAA3D1B081852FF57A79E465F1660577304BAEAD505DD3A48589CF3"
                                       "50185E895372DF6221EA3A137557E473FDDB6755F05BD507C3C533FCE9C91285")};
  k.ServerSigningPublic = HexStrToByteStr(
      "60FED4BA255A9D31C961EB74C6356D68C049B8923B61FA6CE669622E60F29FB6"
      "7903FE1008B8BC99A41AE9E95628BC64F2F1B20C2D7E9F5177A3C294D4462299");
  k.ServerAgreementPublic = HexStrToByteStr(
      "51A7580833898EA1B183CBD7350A4099078C6EF1C1E18E970CD7683035F25E7D"
      "0110522712B0B5A7CFF081685486984A94E6831EDAC46E7360FA9D834A7A81A1");
  return k;
}

}  // namespace zv::test::dataprot

// Between Qt's texts and the editor's: both are UTF-16, so the units pass unchanged.
#pragma once

#include <QString>

#include "kit/text/kit_types.h"

namespace zv {

inline QString ToQString(const TKitString& S) { return QString::fromStdU16String(S); }
inline TKitString FromQString(const QString& S) { return S.toStdU16String(); }

}  // namespace zv

// The error classes of the whole system. The log prints the class name
// ("EXCEPTION (EXMLError): ..."), so every class reports its own name.
#pragma once
#include <exception>
#include <string>

namespace zv {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define ZV_ERROR_CLASS(Name, Base)                                        \
  class Name : public Base {                                              \
   public:                                                                \
    using Base::Base;                                                     \
    const char* ClassName() const noexcept override { return #Name; }     \
  };

// Errors that carry a position in a text (column, line).
class EPositioned : public Exception {
 public:
  EPositioned(std::string message, int posX, int posY)
      : Exception(std::move(message)), PosX(posX), PosY(posY) {}
  int PosX;
  int PosY;
};

// XML form errors: PosX is the 0-based column, PosY the 1-based line.
class EXMLError : public EPositioned {
 public:
  using EPositioned::EPositioned;
  const char* ClassName() const noexcept override { return "EXMLError"; }
};

// Lexical errors: both positions 1-based, message prefixed "(col:line) ".
class ELexError : public EPositioned {
 public:
  using EPositioned::EPositioned;
  static ELexError CreateWithPos(const std::string& message, int posY, int posX);
  const char* ClassName() const noexcept override { return "ELexError"; }
};

// Undecodable APDU octets; the octets travel with the error.
class EMakeCOSEMPdu : public Exception {
 public:
  EMakeCOSEMPdu(std::string message, std::string octets)
      : Exception(std::move(message)), Octets(std::move(octets)) {}
  const char* ClassName() const noexcept override { return "EMakeCOSEMPdu"; }
  std::string Octets;
};

// Ends a wait silently when the user aborts the session.
ZV_ERROR_CLASS(EAbort, Exception)
// The run time's conversion and cast errors.
ZV_ERROR_CLASS(EConvertError, Exception)
ZV_ERROR_CLASS(EInvalidCast, Exception)
ZV_ERROR_CLASS(EListError, Exception)
ZV_ERROR_CLASS(EAssertionFailed, Exception)

ZV_ERROR_CLASS(EProtection, Exception)
ZV_ERROR_CLASS(EKeyMissing, EProtection)
ZV_ERROR_CLASS(ESignatureCheck, EProtection)
ZV_ERROR_CLASS(EDataProtection, Exception)
ZV_ERROR_CLASS(EAuthenticationFailure, Exception)
ZV_ERROR_CLASS(EProtocolLayer, Exception)
// A receive that produced no octets at all.
class ENoResponse : public Exception {
 public:
  ENoResponse() : Exception("No response") {}
  const char* ClassName() const noexcept override { return "ENoResponse"; }
};
ZV_ERROR_CLASS(EProtocolLayerWrapper, Exception)
ZV_ERROR_CLASS(EFrame, Exception)
ZV_ERROR_CLASS(ESelectiveAccess, Exception)

// printf-style formatting for error and log texts.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void RaiseError(const std::string& message);

// "Assertion failure (file, line n)": an internal consistency check.
[[noreturn]] void AssertionFailure(const char* file, int line);
#define ZV_ASSERT(cond) \
  do { if (!(cond)) ::zv::AssertionFailure(__FILE__, __LINE__); } while (0)

// Raises "Wrong assertion (%d)" when Condition is false.
void CheckAssertion(bool condition, int code);

}  // namespace zv

#include "platform/Errors.h"

#include "platform/Utf.h"

#include <cstdint>
#include <cstdio>

namespace dw {

namespace {

std::u16string Replace(std::u16string text, std::u16string_view placeholder,
                       const std::u16string& value) {
  const auto at = text.find(placeholder);
  if (at != std::u16string::npos) text.replace(at, placeholder.size(), value);
  return text;
}

}  // namespace

__attribute__((noinline)) Error::Error(std::u16string kind, std::u16string message,
                                       std::shared_ptr<const Error> inner)
    : kind_(std::move(kind)),
      message_(std::move(message)),
      inner_(std::move(inner)),
      address_(__builtin_return_address(0)),
      utf8_(ToUtf8(message_)) {}

EFOpenError::EFOpenError(const std::u16string& path, const std::u16string& systemText)
    : Error(u"EFOpenError",
            Replace(Replace(u"ファイル %1 は開けません。 %2 ", u"%1", path), u"%2", systemText)) {}

EEncodingError::EEncodingError()
    : Error(u"EEncodingError",
            u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません") {}

EFCreateError::EFCreateError(const std::u16string& path, const std::u16string& systemText)
    : Error(u"EFCreateError",
            Replace(Replace(u"ファイル \"%1\" を作成できません。%2", u"%1", path), u"%2", systemText)) {
}

EWriteError::EWriteError() : Error(u"EWriteError", u"ストリームへの書き込みエラー") {}

EIniFileException::EIniFileException(const std::u16string& path)
    : Error(u"EIniFileException", path + u" に書き込めません") {}

EListError::EListError(long long index)
    : Error(u"EListError", u"リストのインデックスが範囲を超えています (" +
                               FromUtf8(std::to_string(index)) + u")") {}

std::u16string InnermostMessage(const Error& error) {
  std::u16string found = error.Message();
  for (const Error* e = error.Inner().get(); e != nullptr; e = e->Inner().get()) {
    if (!e->Message().empty()) found = e->Message();
  }
  return found;
}

std::u16string AppendPeriodRule(const std::u16string& message) {
  if (!message.empty() && message.back() > u'.') return message + u".";
  return message;
}

std::u16string FatalReportText(const Error& error, const std::u16string& moduleName) {
#ifdef _WIN32
  const std::u16string lineBreak = u"\r\n";
#else
  const std::u16string lineBreak = u"\n";
#endif
  char address[2 * sizeof(void*) + 1];
  std::snprintf(address, sizeof address, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(error.Address())));
  std::u16string text = u"%1 がモジュール %2 の %3 で発生しました。";
  text = Replace(Replace(Replace(text, u"%1", error.Kind()), u"%2", moduleName), u"%3",
                 FromUtf8(address));
  text += lineBreak;
  text += error.Message();
  if (!error.Message().empty() && error.Message().back() != u'.') text += u".";
  text += lineBreak;
  return text;
}

}  // namespace dw

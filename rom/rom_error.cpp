#include "rom/rom_error.h"

#include <array>
#include <cwctype>
#include <initializer_list>
#include <utility>

#include "rom/path_text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace qorvane {
namespace {

using std::errc;

struct Words {
  std::initializer_list<errc> conditions;
  const char* text;
};

// Portable conditions in plain words.
const Words kSystemErrors[] = {
    {{errc::no_such_file_or_directory, errc::not_a_directory},
     "文件不存在，可能已被删除、移动或改名"},
    {{errc::permission_denied, errc::operation_not_permitted},
     "没有访问此文件的权限"},
    {{errc::read_only_file_system}, "文件所在的磁盘是只读的"},
    {{errc::no_space_on_device}, "磁盘空间不足"},
    {{errc::resource_unavailable_try_again, errc::operation_would_block,
      errc::device_or_resource_busy, errc::text_file_busy,
      errc::no_lock_available},
     "文件被其他程序占用"},
    {{errc::io_error}, "磁盘读写出错，磁盘或存储介质可能有故障"},
    {{errc::is_a_directory}, "这是一个文件夹，不是文件"},
    {{errc::file_too_large}, "文件过大"},
    {{errc::too_many_files_open, errc::too_many_files_open_in_system},
     "打开的文件过多"},
    {{errc::filename_too_long}, "文件名过长"},
    {{errc::interrupted}, "操作被中断"},
};

// Indexed by the enums' values.
constexpr std::array<const char*, 6> kOperations{"打开", "锁定", "读取",
                                                 "写入", "保存", "关闭"};
constexpr std::array<const char*, 4> kRefusals{
    "这不是一个普通文件",
    "文件太短，容纳不下全部五处转换数据（至少需要 796171 字节）",
    "文件已不是简繁增强版的ROM（选定之后可能已被替换或修改）",
    "没有选择要转换的字体",
};
constexpr std::array<const char*, 4> kOutcomes{
    "文件保持原样，未做任何改动。",
    "已写入的数据已经还原，文件保持原样。",
    "还原已写入的数据也失败了，文件可能已损坏，请用备份恢复。",
    "转换数据已经写入并保存到文件。",
};

template <typename Enum, std::size_t N>
const char* Text(const std::array<const char*, N>& table, Enum value) {
  return table.at(static_cast<std::size_t>(value));
}

std::string Describe(const RomError::Reason& reason) {
  if (const auto* failure = std::get_if<SystemFailure>(&reason)) {
    return DescribeSystemError(failure->code);
  }
  return Text(kRefusals, std::get<Refusal>(reason));
}

std::string ReportText(const RomError::Reason& reason, std::string_view name,
                       FileOutcome outcome) {
  const auto* failure = std::get_if<SystemFailure>(&reason);
  std::string text = failure
                         ? std::string("无法") +
                               Text(kOperations, failure->operation) + "文件“"
                         : std::string("拒绝转换文件“");
  text += std::string(name) + "”：" + Describe(reason);
  if (failure) {
    text += "（系统错误代码 " + std::to_string(failure->code.value()) + "）";
  }
  return text + "。" + Text(kOutcomes, outcome);
}

#ifdef _WIN32
// The system's own words for a Windows error code, in Simplified Chinese
// where Windows has them, as UTF-8 (never the ANSI code page).
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                      FORMAT_MESSAGE_FROM_SYSTEM |
                      FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = 0;
  constexpr DWORD kChinese =
      MAKELANGID(LANG_CHINESE_SIMPLIFIED, SUBLANG_CHINESE_SIMPLIFIED);
  for (const DWORD language : {kChinese, DWORD{0}}) {  // 0: the system's
    length = ::FormatMessageW(flags, nullptr, code, language,
                              reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length != 0) break;
  }
  std::wstring words(text != nullptr ? text : L"", length);
  ::LocalFree(text);
  while (!words.empty() && (std::iswspace(words.back()) ||
                            words.back() == L'.' || words.back() == L'。')) {
    words.pop_back();
  }
  if (words.empty()) return "未知的系统错误";
  const int size = static_cast<int>(words.size());
  std::string utf8(
      static_cast<std::size_t>(::WideCharToMultiByte(
          CP_UTF8, 0, words.data(), size, nullptr, 0, nullptr, nullptr)),
      '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, words.data(), size, utf8.data(),
                        static_cast<int>(utf8.size()), nullptr, nullptr);
  return utf8;
}
#endif

}  // namespace

std::string DescribeSystemError(std::error_code code) {
#ifdef _WIN32
  // The common Windows codes in the project's own words.
  if (code.category() == std::system_category()) {
    switch (code.value()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        code = std::make_error_code(errc::no_such_file_or_directory);
        break;
      case ERROR_ACCESS_DENIED:
        code = std::make_error_code(errc::permission_denied);
        break;
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
        code = std::make_error_code(errc::device_or_resource_busy);
        break;
      case ERROR_HANDLE_DISK_FULL:
      case ERROR_DISK_FULL:
        code = std::make_error_code(errc::no_space_on_device);
        break;
      case ERROR_WRITE_PROTECT:
        code = std::make_error_code(errc::read_only_file_system);
        break;
      default:
        break;
    }
  }
#endif
  for (const Words& words : kSystemErrors) {
    for (errc condition : words.conditions) {
      if (code == condition) return words.text;
    }
  }
#ifdef _WIN32
  if (code.category() == std::system_category()) {
    return "系统错误：" + SystemMessage(static_cast<DWORD>(code.value()));
  }
#endif
  return "系统错误：" + code.message();
}

RomError::RomError(RomOperation operation, std::filesystem::path path,
                   std::error_code code, FileOutcome outcome)
    : std::runtime_error(ReportText(SystemFailure{operation, code},
                                    PathToUtf8(path), outcome)),
      reason_(SystemFailure{operation, code}),
      path_(std::move(path)),
      outcome_(outcome) {}

RomError::RomError(Refusal refusal, std::filesystem::path path)
    : std::runtime_error(
          ReportText(refusal, PathToUtf8(path), FileOutcome::Unchanged)),
      reason_(refusal),
      path_(std::move(path)),
      outcome_(FileOutcome::Unchanged) {}

std::string RomError::description() const { return Describe(reason_); }

std::string RomError::Report(std::string_view name) const {
  return ReportText(reason_, name, outcome_);
}

bool RomError::NamesNoFile() const {
  const auto* failure = std::get_if<SystemFailure>(&reason_);
  return failure && failure->operation == RomOperation::Open &&
         (failure->code == std::errc::no_such_file_or_directory ||
          failure->code == std::errc::not_a_directory);
}

}  // namespace qorvane

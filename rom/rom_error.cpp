#include "rom/rom_error.h"

#include <array>
#include <initializer_list>

#include "rom/rom_file.h"

namespace qorvane {
namespace {

using std::errc;

struct RefusalCategory : std::error_category {
  const char* name() const noexcept override { return "qorvane-rom"; }
  std::string message(int value) const override {
    switch (static_cast<RomRefusal>(value)) {
      case RomRefusal::NoTargetScript:
        return "没有选择要转换的字体";
      case RomRefusal::NotRegularFile:
        return "这不是一个普通文件";
      case RomRefusal::TooShort:
        return "文件太短，容纳不下全部五处转换数据（至少需要 " +
               std::to_string(kMinConvertibleSize) + " 字节）";
      case RomRefusal::NotEnhancedEdition:
        break;
    }
    return "文件已不是简繁增强版的ROM（选定之后可能已被替换或修改）";
  }
};

const std::error_category& RomRefusalCategory() {
  static const RefusalCategory category;
  return category;
}

struct Words {
  std::initializer_list<errc> conditions;
  const char* text;
};

// Portable conditions, which the system's codes compare equal to (on Windows
// too: ERROR_SHARING_VIOLATION is device_or_resource_busy).
const Words kSystemErrors[] = {
    {{errc::no_such_file_or_directory}, "文件不存在"},
    {{errc::permission_denied, errc::operation_not_permitted},
     "没有访问此文件的权限"},
    {{errc::read_only_file_system}, "文件所在的磁盘是只读的"},
    {{errc::no_space_on_device}, "磁盘空间不足"},
    {{errc::resource_unavailable_try_again, errc::operation_would_block,
      errc::device_or_resource_busy, errc::text_file_busy,
      errc::no_lock_available},
     "文件被其他程序占用"},
    {{errc::io_error}, "磁盘读写出错，磁盘或存储介质可能有故障"},
    {{errc::too_many_files_open, errc::too_many_files_open_in_system},
     "打开的文件过多"},
    {{errc::filename_too_long}, "文件名过长"},
};

// Indexed by the enums' values.
constexpr std::array<const char*, 6> kOperations{"打开", "锁定", "读取",
                                                 "写入", "保存", "关闭"};
constexpr std::array<const char*, 4> kOutcomes{
    "文件保持原样，未做任何改动。",
    "已写入的数据已经还原，文件保持原样。",
    "还原已写入的数据也失败了，文件可能已损坏，请用备份恢复。",
    "转换数据已经写入并保存到文件。",
};

std::string ReportText(RomOperation operation, std::error_code code,
                       std::string_view name, FileOutcome outcome) {
  const bool refused = code.category() == RomRefusalCategory();
  std::string text =
      refused
          ? std::string("拒绝转换文件“")
          : std::string("无法") +
                kOperations.at(static_cast<std::size_t>(operation)) + "文件“";
  text += std::string(name) + "”：" + DescribeError(code);
  if (!refused) {
    text += "（系统错误代码 " + std::to_string(code.value()) + "）";
  }
  return text + "。" + kOutcomes.at(static_cast<std::size_t>(outcome));
}

}  // namespace

std::error_code make_error_code(RomRefusal refusal) {
  return {static_cast<int>(refusal), RomRefusalCategory()};
}

std::string DescribeError(std::error_code code) {
  if (code.category() == RomRefusalCategory()) return code.message();
  for (const Words& words : kSystemErrors) {
    for (errc condition : words.conditions) {
      if (code == condition) return words.text;
    }
  }
  return "系统错误：" + SystemErrorWords(code);
}

RomError::RomError(RomOperation operation, const std::filesystem::path& path,
                   std::error_code code, FileOutcome outcome,
                   RomEdition edition)
    : std::runtime_error(
          ReportText(operation, code, PathToUtf8(path), outcome)),
      operation_(operation),
      code_(code),
      outcome_(outcome),
      edition_(edition) {}

std::string RomError::Report(std::string_view name) const {
  return ReportText(operation_, code_, name, outcome_);
}

}  // namespace qorvane

#include "rom/rom_error.h"

#include <string_view>
#include <utility>

namespace qorvane {
namespace {

std::string RefusalText(RefusalReason reason) {
  switch (reason) {
    case RefusalReason::NotRegularFile:
      return "这不是一个普通文件";
    case RefusalReason::TooShort:
      return "文件太短，容纳不下全部五处转换数据（至少需要 796171 字节）";
    case RefusalReason::NotEnhancedEdition:
      return "文件已不是简繁增强版的ROM（选定之后可能已被替换或修改）";
    case RefusalReason::NoTargetScript:
      return "没有选择要转换的字体";
    case RefusalReason::None:
      break;
  }
  return "文件未通过检查";
}

std::string Report(RomOperation operation, const std::filesystem::path& path,
                   const std::string& description, std::error_code code,
                   const std::string& outcome) {
  std::string text = operation == RomOperation::Check
                         ? "拒绝转换文件“"
                         : "无法" + OperationText(operation) + "文件“";
  text += PathToUtf8(path);
  text += "”：";
  text += description;
  if (code) text += "（系统错误代码 " + std::to_string(code.value()) + "）";
  text += "。";
  text += outcome;
  return text;
}

}  // namespace

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

std::filesystem::path Utf8ToPath(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string OperationText(RomOperation operation) {
  switch (operation) {
    case RomOperation::Open:
      return "打开";
    case RomOperation::Lock:
      return "锁定";
    case RomOperation::Read:
      return "读取";
    case RomOperation::Write:
      return "写入";
    case RomOperation::Sync:
      return "保存";
    case RomOperation::Close:
      return "关闭";
    case RomOperation::Check:
      break;
  }
  return "检查";
}

std::string DescribeSystemError(std::error_code code) {
  using std::errc;
#ifdef _WIN32
  // Windows codes with no portable condition of their own.
  if (code.category() == std::system_category()) {
    switch (code.value()) {
      case 32:  // ERROR_SHARING_VIOLATION
      case 33:  // ERROR_LOCK_VIOLATION
        return "文件被其他程序占用";
      case 39:   // ERROR_HANDLE_DISK_FULL
      case 112:  // ERROR_DISK_FULL
        return "磁盘空间不足";
      case 19:  // ERROR_WRITE_PROTECT
        return "文件所在的磁盘是只读的";
      default:
        break;
    }
  }
#endif
  if (code == errc::no_such_file_or_directory ||
      code == errc::not_a_directory) {
    return "文件不存在，可能已被删除、移动或改名";
  }
  if (code == errc::permission_denied ||
      code == errc::operation_not_permitted) {
    return "没有访问此文件的权限";
  }
  if (code == errc::read_only_file_system) {
    return "文件所在的磁盘是只读的";
  }
  if (code == errc::no_space_on_device) return "磁盘空间不足";
  if (code == errc::resource_unavailable_try_again ||
      code == errc::operation_would_block ||
      code == errc::device_or_resource_busy || code == errc::text_file_busy) {
    return "文件被其他程序占用";
  }
  if (code == errc::io_error) return "磁盘读写出错，磁盘或存储介质可能有故障";
  if (code == errc::is_a_directory) return "这是一个文件夹，不是文件";
  if (code == errc::file_too_large) return "文件过大";
  if (code == errc::too_many_files_open ||
      code == errc::too_many_files_open_in_system) {
    return "打开的文件过多";
  }
  if (code == errc::filename_too_long) return "文件名过长";
  return "系统错误：" + code.message();
}

RomError::RomError(RomOperation operation, std::filesystem::path path,
                   std::error_code code, FileOutcome outcome)
    : std::runtime_error(Report(operation, path, DescribeSystemError(code),
                                code, OutcomeText(outcome))),
      operation_(operation),
      path_(std::move(path)),
      code_(code),
      outcome_(outcome),
      description_(DescribeSystemError(code)) {}

RomError::RomError(RefusalReason reason, std::filesystem::path path)
    : std::runtime_error(Report(RomOperation::Check, path, RefusalText(reason),
                                {}, OutcomeText(FileOutcome::Unchanged))),
      operation_(RomOperation::Check),
      path_(std::move(path)),
      outcome_(FileOutcome::Unchanged),
      refusal_(reason),
      description_(RefusalText(reason)) {}

std::string OutcomeText(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Unchanged:
      return "文件保持原样，未做任何改动。";
    case FileOutcome::Restored:
      return "已写入的数据已经还原，文件保持原样。";
    case FileOutcome::RestoreFailed:
      return "还原已写入的数据也失败了，文件可能已损坏，请用备份恢复。";
    case FileOutcome::Converted:
      return "转换数据已经写入并保存到文件。";
  }
  return {};
}

}  // namespace qorvane

// Every text the user reads, side by side: the window's captions, the
// messages of the actions with their titles, and the open dialog's title and
// filter. All are UTF-8. Lines of one message are joined by a single
// carriage return (character 13); the view shows each as a line break.
//
// The spacing is part of the text: the titles have a space between their two
// characters, the second lines of the two rejection messages start with
// eight and seven spaces, and the quotation marks are the typographic “ ”.

#ifndef QORVANE_SWITCHER_SWITCHER_TEXTS_H_
#define QORVANE_SWITCHER_SWITCHER_TEXTS_H_

#include <initializer_list>
#include <string_view>
#include <system_error>

#include "rom/edition_table.h"

namespace qorvane::texts {

// Window captions.
inline constexpr std::string_view kWindowTitle =
    "QorvaneADVANCE中文版 简繁体切换工具";
inline constexpr std::string_view kFrameCaption = "简繁体切换";
inline constexpr std::string_view kOption1Caption = "Option1";
inline constexpr std::string_view kOption2Caption = "Option2";
inline constexpr std::string_view kSimplifiedLabel = "简体中文";
inline constexpr std::string_view kTraditionalLabel = "繁体中文";
inline constexpr std::string_view kBrowseButton = "浏览..";
inline constexpr std::string_view kConvertButton = "转 换";
inline constexpr std::string_view kAboutButton = "说 明";
inline constexpr std::string_view kExitButton = "退 出";

// Message box titles.
inline constexpr std::string_view kWarningTitle = "警 告";
inline constexpr std::string_view kNoticeTitle = "提 示";
inline constexpr std::string_view kAboutTitle = "说 明";

// Browse. The open dialog's one filter entry is its description, as shown
// ("description|pattern" where one string holds both), and its pattern;
// the description is the name with the pattern in brackets.
struct FileFilter {
  std::string_view name;
  std::string_view description;
  std::string_view pattern;
};
inline constexpr std::string_view kOpenDialogTitle = "打开QorvaneROM文件";
inline constexpr FileFilter kOpenDialogFilter{"QorvaneROM文件",
                                              "QorvaneROM文件(*.gba)", "*.gba"};
inline constexpr std::string_view kStatusSimplified = "目前此ROM为简体中文";
inline constexpr std::string_view kStatusTraditional = "目前此ROM为繁体中文";
inline constexpr std::string_view kNotEnhancedWarning =
    "您选择的不是Lumek汉化简繁增强版的ROM\r"
    "        请选择正确的ROM文件";
inline constexpr std::string_view kUnrecognisedWarning =
    "您选择的不是“QorvaneADVANCE”的ROM\r"
    "       请选择正确的ROM文件";

// The warning for a file that is not an enhanced edition.
constexpr std::string_view WrongFileWarning(RomEdition edition) {
  return edition == RomEdition::NotEnhanced ? kNotEnhancedWarning
                                            : kUnrecognisedWarning;
}

// Convert.
inline constexpr std::string_view kNoRomWarning =
    "请先选择QorvaneADVANCE\r"
    "Lumek汉化中文版ROM文件";
inline constexpr std::string_view kNoScriptWarning = "请选择要转换的字体";
inline constexpr std::string_view kConvertedNotice = "转换成功";

// About. The group serves as author; the address is a reserved example
// domain until the project has a home page of its own.
inline constexpr std::string_view kAboutText =
    "QorvaneADVANCELumek汉化中文版\r"
    "       简繁体切换工具\r"
    "\r"
    "      作者：Lumek汉化组\r"
    "        2003年9月9日\r"
    "         Lumek汉化网\r"
    " https://www.example.org/";

// The window's report of an error that ends the program: a lead line, then
// the error's own report.
inline constexpr std::string_view kErrorTitle = "错 误";
inline constexpr std::string_view kFileErrorLead =
    "处理ROM文件时出错，程序将退出。";
inline constexpr std::string_view kInternalErrorLead = "程序内部出错，将退出。";

// A file error's report (error_report.h), in this order: what failed on
// which file (kFailed + operation + kOnFile, or kRefused), the file's name,
// kReasonAfterName, the reason, for a system error kCodeBefore, its number
// and kCodeAfter, then kReportEnd and what became of the file.
inline constexpr std::string_view kFailed = "无法";
inline constexpr std::string_view kOnFile = "文件“";
inline constexpr std::string_view kRefused = "拒绝转换文件“";
inline constexpr std::string_view kReasonAfterName = "”：";
inline constexpr std::string_view kCodeBefore = "（系统错误代码 ";
inline constexpr std::string_view kCodeAfter = "）";
inline constexpr std::string_view kReportEnd = "。";
// Indexed by RomOperation: open, lock, read, write, sync, close.
inline constexpr std::string_view kOperations[] = {"打开", "锁定", "读取",
                                                   "写入", "保存", "关闭"};
// Indexed by FileOutcome: unchanged, restored, restore failed, converted.
inline constexpr std::string_view kOutcomes[] = {
    "文件保持原样，未做任何改动。",
    "已写入的数据已经还原，文件保持原样。",
    "还原已写入的数据也失败了，文件可能已损坏，请用备份恢复。",
    "转换数据已经写入并保存到文件。",
};
// Indexed by RomRefusal - 1; the too-short one is followed by the size.
inline constexpr std::string_view kRefusals[] = {
    "没有选择要转换的字体",
    "这不是一个普通文件",
    "文件太短，容纳不下全部五处转换数据（至少需要 ",
    "文件已不是简繁增强版的ROM（选定之后可能已被替换或修改）",
};
inline constexpr std::string_view kTooShortEnd = " 字节）";
// The common system errors, by the portable conditions the systems' codes
// compare equal to (on Windows too: ERROR_SHARING_VIOLATION is
// device_or_resource_busy); any other in the system's own words after
// kOtherSystemError.
struct SystemErrorWords {
  std::initializer_list<std::errc> conditions;
  std::string_view words;
};
inline const SystemErrorWords kSystemErrors[] = {
    {{std::errc::no_such_file_or_directory}, "文件不存在"},
    {{std::errc::permission_denied, std::errc::operation_not_permitted},
     "没有访问此文件的权限"},
    {{std::errc::read_only_file_system}, "文件所在的磁盘是只读的"},
    {{std::errc::no_space_on_device}, "磁盘空间不足"},
    {{std::errc::resource_unavailable_try_again,
      std::errc::operation_would_block, std::errc::device_or_resource_busy,
      std::errc::text_file_busy, std::errc::no_lock_available},
     "文件被其他程序占用"},
    {{std::errc::io_error}, "磁盘读写出错，磁盘或存储介质可能有故障"},
    {{std::errc::too_many_files_open, std::errc::too_many_files_open_in_system},
     "打开的文件过多"},
    {{std::errc::filename_too_long}, "文件名过长"},
};
inline constexpr std::string_view kOtherSystemError = "系统错误：";

}  // namespace qorvane::texts

#endif  // QORVANE_SWITCHER_SWITCHER_TEXTS_H_

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

#include <string_view>

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

// Browse.
inline constexpr std::string_view kOpenDialogTitle = "打开QorvaneROM文件";
inline constexpr std::string_view kOpenDialogFilter =
    "QorvaneROM文件(*.gba)|*.gba";
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

}  // namespace qorvane::texts

#endif  // QORVANE_SWITCHER_SWITCHER_TEXTS_H_

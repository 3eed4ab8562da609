// The windows' own words, beside the controller's texts
// (switcher/switcher_texts.h): what a window says of itself rather than of
// the tool's actions. Only the browser page has any: its window's close
// box, the message boxes' button (the systems' own boxes bring theirs),
// what the page shows once the tool has ended (a page cannot end its
// process) and what became of a converted copy, its picker's failure, its
// name on a home screen and its notice where scripts are off. All UTF-8.

#ifndef QORVANE_WINDOW_SHARED_WINDOW_TEXTS_H_
#define QORVANE_WINDOW_SHARED_WINDOW_TEXTS_H_

#include <string_view>

namespace qorvane::window_texts {

inline constexpr std::string_view kCloseButton = "关闭";
inline constexpr std::string_view kOkButton = "确定";
inline constexpr std::string_view kEndedNotice = "简繁体切换工具已退出。";
inline constexpr std::string_view kStartAgainButton = "重新开始";

// Where a browser has no handle to the chosen file, the converted copy is
// saved apart from it: one of these lines, each followed by the copy's
// name, then the file itself is said to be unchanged, and the copy can be
// saved again until the page ends.
inline constexpr std::string_view kCopyDownloaded =
    "已开始下载转换后的副本（如未收到，请按“再次保存”），文件名：";
inline constexpr std::string_view kCopyShared =
    "已将转换后的副本交给分享菜单，文件名：";
inline constexpr std::string_view kShareDismissed =
    "分享已取消，转换后的副本尚未保存，文件名：";
inline constexpr std::string_view kShareFailed =
    "无法分享文件，转换后的副本尚未保存，文件名：";
inline constexpr std::string_view kCopyNotSaved =
    "未能保存转换后的副本，文件名：";
inline constexpr std::string_view kChosenFileUnchanged =
    "您选择的文件本身没有改变。";
inline constexpr std::string_view kSaveAgainButton = "再次保存";

// When the browser would not show its file picker (the reason follows).
inline constexpr std::string_view kPickerFailed = "无法打开选择文件的窗口";
// The name under the icon when the page is added to a home screen.
inline constexpr std::string_view kAppShortName = "简繁体切换工具";
// What the page says where scripts are off.
inline constexpr std::string_view kNoScriptNotice =
    "此工具需要浏览器启用 JavaScript 和 WebAssembly。";

}  // namespace qorvane::window_texts

#endif  // QORVANE_WINDOW_SHARED_WINDOW_TEXTS_H_

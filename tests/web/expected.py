"""What the web page must show and write, written out by hand: the window's
texts and boxes, the message boxes, and the bytes of the ROM images."""

# The window.
WINDOW_TITLE = "QorvaneADVANCE中文版 简繁体切换工具"
FRAME_CAPTION = "简繁体切换"
SIMPLIFIED_LABEL = "简体中文"
TRADITIONAL_LABEL = "繁体中文"
BROWSE, CONVERT, ABOUT, EXIT = "浏览..", "转 换", "说 明", "退 出"
CLOSE, OK = "关闭", "确定"

# The client area and each control's box (left, top, width, height) in CSS
# pixels at 96 dpi, one pixel for 15 twips; Option1 to Label2 sit in Frame1.
CLIENT = [268, 121]
BOXES = {
    "Frame1": (8, 8, 249, 41),
    "Option1": (24, 16, 17, 17),
    "Label1": (48, 16, 65, 17),
    "Option2": (144, 16, 17, 17),
    "Label2": (168, 16, 65, 17),
    "Text1": (8, 59, 193, 20),
    "Command4": (208, 56, 49, 25),
    "Command1": (8, 88, 73, 25),
    "Command3": (96, 88, 73, 25),
    "Command2": (184, 88, 73, 25),
}
# The focusable controls in tab order, from the focus at load.
TAB_ORDER = ["Command1", "Command2", "Command3", "Option1", "Option2", "Text1",
             "Command4"]

# The frame's caption once a file is accepted or converted.
STATUS = {"Simplified": "目前此ROM为简体中文", "Traditional": "目前此ROM为繁体中文"}

# Message boxes: title and lines.
WARNING, NOTICE, ERROR = "警 告", "提 示", "错 误"
ABOUT_BOX = (ABOUT, [
    "QorvaneADVANCELumek汉化中文版",
    "       简繁体切换工具",
    "",
    "      作者：Lumek汉化组",
    "        2003年9月9日",
    "         Lumek汉化网",
    " https://www.example.org/",
])
NO_ROM = (WARNING, ["请先选择QorvaneADVANCE", "Lumek汉化中文版ROM文件"])
NO_SCRIPT = (WARNING, ["请选择要转换的字体"])
NOT_ENHANCED = (WARNING, ["您选择的不是Lumek汉化简繁增强版的ROM",
                          "        请选择正确的ROM文件"])
UNRECOGNISED = (WARNING, ["您选择的不是“QorvaneADVANCE”的ROM",
                          "       请选择正确的ROM文件"])
CONVERTED = (NOTICE, ["转换成功"])
FILE_ERROR_LEAD = "处理ROM文件时出错，程序将退出。"
INTERNAL_ERROR_LEAD = "程序内部出错，将退出。"
PICKER_FAILED = "无法打开选择文件的窗口"

# The file-error report's line: "<verb>“<name>”：<reason>" then its outcome.
FAILED_OPEN = "无法打开文件"
FAILED_READ = "无法读取文件"
FAILED_WRITE = "无法写入文件"
FAILED_SAVE = "无法保存文件"
REFUSED = "拒绝转换文件"
NOT_ALLOWED = "浏览器没有获准访问此文件"
NO_MODIFICATION = "此文件不能修改，它可能是只读的，或正被另一个标签页写入"
NOT_READABLE = "无法读取文件，它在选定之后可能已被修改或移走"
QUOTA_EXCEEDED = "存储空间不足"
NOT_FOUND = "文件不存在"
NO_LONGER_ENHANCED = "文件已不是简繁增强版的ROM"
TOO_SHORT = "文件太短，容纳不下全部五处转换数据（至少需要 797195 字节）"
UNCHANGED = "文件保持原样，未做任何改动。"
RESTORED = "已写入的数据已经还原，文件保持原样。"

# The end.
ENDED = "简繁体切换工具已退出。"
START_AGAIN, SAVE_AGAIN = "重新开始", "再次保存"
FILE_UNCHANGED = "您选择的文件本身没有改变。"
DOWNLOADED = "已开始下载转换后的副本（如未收到，请按“再次保存”），文件名："
SHARED = "已将转换后的副本交给分享菜单，文件名："
SHARE_DISMISSED = "分享已取消，转换后的副本尚未保存，文件名："
SHARE_IMPOSSIBLE = "无法分享文件，转换后的副本尚未保存，文件名："
COPY_TYPE = "application/octet-stream"

# The ROM: each script's three signature bytes begin each of the five runs
# it writes; a run's other four bytes are the same in both scripts.
SIGNATURE_AT = 0xC1038
SIGNATURES = {
    "Simplified": bytes([0x64, 0x48, 0x60]),
    "Traditional": bytes([0xC2, 0x33, 0x7D]),
    "NotEnhanced": bytes([0x4A, 0x48, 0x60]),
    "Unrecognised": bytes([0x64, 0x48, 0x61]),
}
RUN_TAILS = {
    0xC1038: bytes([0x08, 0x48, 0xAB, 0x00]),
    0xC1248: bytes([0x08, 0x48, 0xAB, 0x00]),
    0xC1458: bytes([0x08, 0x48, 0xAB, 0x00]),
    0x6AE88: bytes([0x08, 0x84, 0x27, 0x00]),
    0xC2A04: bytes([0x08, 0x48, 0xAB, 0x00]),
}
RUNS_END = 0xC2A0B  # the end of the last run: a shorter file cannot take all five
OTHER = {"Simplified": "Traditional", "Traditional": "Simplified"}


def image(edition, size=0x100000):
    """A ROM image of `size` bytes: a pattern that is no run's, then the
    edition's five runs (Simplified, Traditional) or its signature alone."""
    data = bytearray((i * 7 + 3) % 251 for i in range(max(size, RUNS_END)))
    data[SIGNATURE_AT:SIGNATURE_AT + 3] = SIGNATURES[edition]
    if edition in OTHER:
        for offset, tail in RUN_TAILS.items():
            data[offset:offset + 7] = SIGNATURES[edition] + tail
    return bytes(data[:size])

// Conversions between the controller's UTF-8 texts and paths and Qt's.

#ifndef QORVANE_WINDOW_QT_TEXT_H_
#define QORVANE_WINDOW_QT_TEXT_H_

#include <QString>
#include <filesystem>
#include <string_view>

namespace qorvane {

QString ToQString(std::string_view utf8);
// A message text with its carriage-return line separators as line breaks.
QString MessageToQString(std::string_view text);
// A full file name from a dialog, as the platform's own path.
std::filesystem::path ToPath(const QString& file_name);

}  // namespace qorvane

#endif  // QORVANE_WINDOW_QT_TEXT_H_

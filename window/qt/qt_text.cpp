#include "window/qt/qt_text.h"

#include <QFile>

namespace qorvane {

QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString MessageToQString(std::string_view text) {
  return ToQString(text).replace(QChar(u'\r'), QChar(u'\n'));
}

std::filesystem::path ToPath(const QString& file_name) {
  if (file_name.isEmpty()) return {};
#ifdef _WIN32
  return std::filesystem::path(file_name.toStdWString());
#else
  // The file system's own bytes, as Qt decodes them for display.
  return std::filesystem::path(QFile::encodeName(file_name).toStdString());
#endif
}

}  // namespace qorvane

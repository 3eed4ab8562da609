#include "window/qt/qt_text.h"

#include <QFile>

#include "switcher/switcher_view.h"

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

QString ToQtFileFilter(std::string_view filter) {
  const FileFilter parts = SplitFilter(filter);
  // Qt reads the pattern from the brackets at the end of the entry; a
  // description that already ends in them shows it once, as it is.
  if (parts.name != parts.description) return ToQString(parts.description);
  return ToQString(parts.name) + QStringLiteral(" (") +
         ToQString(parts.pattern) + u')';
}

}  // namespace qorvane

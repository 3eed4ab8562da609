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

QString ToQtFileFilter(std::string_view filter) {
  const QString text = ToQString(filter);
  const qsizetype bar = text.indexOf(u'|');
  QString description = text.left(bar);
  const QString pattern = text.mid(bar + 1);
  // Qt reads the pattern from the brackets at the end of the entry; a
  // description that already ends in them shows it once, as it is.
  if (description.endsWith(u'(' + pattern + u')')) return description;
  return description + QStringLiteral(" (") + pattern + u')';
}

}  // namespace qorvane

#include "window/qt/qt_bridge.h"

#include <QFile>
#include <QStringList>

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
  const QStringList parts = ToQString(filter).split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    entries << parts[i] + QStringLiteral(" (") + patterns.trimmed() +
                   QStringLiteral(")");
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace qorvane

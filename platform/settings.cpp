#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <climits>
#include <cstdio>
#include <filesystem>

#include "imaging/core/ini_file.h"
#include "imaging/core/safe_file.h"
#include "imaging/core/stream.h"

namespace lumora::platform {

struct TMemorySettingsStore::TImpl {
  QHash<QString, QString> values;  // keyed by the lower-cased name
};

std::optional<QString> TMemorySettingsStore::Read(const QString& name) {
  if (!impl_) return std::nullopt;
  auto it = impl_->values.constFind(name.toLower());
  if (it == impl_->values.constEnd()) return std::nullopt;
  return *it;
}

bool TMemorySettingsStore::Write(const QString& name, const QString& text) {
  if (!impl_) impl_ = std::make_shared<TImpl>();
  impl_->values.insert(name.toLower(), text);
  ++writes_;
  return true;
}

void TMemorySettingsStore::Clear() {
  impl_.reset();
  writes_ = 0;
}

struct TIniSettingsStore::TImpl {
  TIniDocument doc;
  bool loaded = false;
};

TIniSettingsStore::TIniSettingsStore(QString path, QString section)
    : impl_(std::make_unique<TImpl>()), path_(std::move(path)), section_(std::move(section)) {}

TIniSettingsStore::~TIniSettingsStore() = default;

void TIniSettingsStore::Load() {
  if (impl_->loaded) return;
  impl_->loaded = true;
  const std::string file = QFile::encodeName(path_).toStdString();
  std::error_code ec;
  // Only a regular file of sane size is read: a FIFO would block, a folder would fail.
  if (!std::filesystem::is_regular_file(file, ec)) return;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxIniFileBytes) return;
  try {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    impl_->doc = TIniDocument::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const std::exception&) {
    impl_->doc = TIniDocument();
  }
}

std::optional<QString> TIniSettingsStore::Read(const QString& name) {
  Load();
  const auto value = impl_->doc.Get(section_.toStdString(), name.toStdString());
  if (!value) return std::nullopt;
  return QString::fromUtf8(value->data(), qsizetype(value->size()));
}

bool TIniSettingsStore::Write(const QString& name, const QString& text) {
  Load();
  impl_->doc.Set(section_.toStdString(), name.toStdString(), text.toStdString());
  const QFileInfo info(path_);
  if (!QDir().mkpath(info.absolutePath())) return false;
  const std::string contents = impl_->doc.Serialize();
  try {
    WriteFileSafely(QFile::encodeName(path_).toStdString(),
                    [&](TStream& out) { out.Write(contents.data(), contents.size()); });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumora: cannot write settings to %s: %s\n", qPrintable(path_), e.what());
    return false;
  }
  return true;
}

QString ConfigHome() {
  const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
  // The base directory spec says relative paths are invalid and must be ignored.
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  return QDir::homePath() + QStringLiteral("/.config");
}

QString SettingsFileForKey(const QString& key) {
  QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
    parts.removeFirst();
  // A key part never climbs out of the configuration folder.
  for (QString& part : parts) {
    part.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (part == QLatin1String(".") || part == QLatin1String("..")) part = QStringLiteral("_");
  }
  if (parts.isEmpty()) parts << QStringLiteral("settings");
  return ConfigHome() + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QStringLiteral(".ini");
}

namespace {
std::shared_ptr<TSettingsStore>& CurrentStore() {
  static std::shared_ptr<TSettingsStore> store;
  return store;
}
}  // namespace

TSettingsStore& SettingsStore() {
  auto& store = CurrentStore();
  if (!store) store = std::make_shared<TIniSettingsStore>(SettingsFileForKey(QString::fromLatin1(kSettingsKey)));
  return *store;
}

void SetSettingsStore(std::shared_ptr<TSettingsStore> store) { CurrentStore() = std::move(store); }

QString ReadSetting(const QString& name, const QString& defaultText) {
  return SettingsStore().Read(name).value_or(defaultText);
}

bool WriteSetting(const QString& name, const QString& text) { return SettingsStore().Write(name, text); }

int ParseSettingInt(const QString& text, int defaultValue, int minimum, int maximum) {
  bool ok = false;
  const qlonglong value = text.trimmed().toLongLong(&ok, 10);
  if (!ok || value < minimum || value > maximum) return defaultValue;
  return int(value);
}

int ReadIntSetting(const QString& name, int defaultValue, int minimum, int maximum) {
  const auto text = SettingsStore().Read(name);
  return text ? ParseSettingInt(*text, defaultValue, minimum, maximum) : defaultValue;
}

}  // namespace lumora::platform

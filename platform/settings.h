#pragma once
// The settings store: text values under one key ("Software\Halvane\LumoraTrial"), kept
// in an INI file under the user's configuration folder. Tests swap in a memory store.
#include <QString>

#include <climits>
#include <memory>
#include <optional>

namespace lumora::platform {

inline constexpr char kSettingsKey[] = "Software\\Halvane\\LumoraTrial";

class TSettingsStore {
 public:
  virtual ~TSettingsStore() = default;
  // The value's text, or nothing when the value does not exist (empty is a value).
  virtual std::optional<QString> Read(const QString& name) = 0;
  // Stores the value; false when it could not be made permanent.
  virtual bool Write(const QString& name, const QString& text) = 0;
};

// Values in memory only.
class TMemorySettingsStore : public TSettingsStore {
 public:
  std::optional<QString> Read(const QString& name) override;
  bool Write(const QString& name, const QString& text) override;
  int WriteCount() const { return writes_; }
  void Clear();

 private:
  struct TImpl;
  std::shared_ptr<TImpl> impl_;
  int writes_ = 0;
};

// One INI file. The file is read at the first access; every write replaces the file
// safely (temporary file, then rename), so a crash never leaves half a file. A file
// that is missing, not a regular file or unreasonably large reads as empty.
class TIniSettingsStore : public TSettingsStore {
 public:
  explicit TIniSettingsStore(QString path, QString section = QString());
  ~TIniSettingsStore() override;
  std::optional<QString> Read(const QString& name) override;
  bool Write(const QString& name, const QString& text) override;
  const QString& Path() const { return path_; }

 private:
  void Load();
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  QString path_;
  QString section_;
};

// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config.
QString ConfigHome();
// "Software\Maker\Product" -> "<config home>/Maker/Product.ini".
QString SettingsFileForKey(const QString& key);

// The store behind ReadSetting/WriteSetting; by default the INI file of kSettingsKey.
TSettingsStore& SettingsStore();
// Replaces the store (tests); nullptr returns to the INI file.
void SetSettingsStore(std::shared_ptr<TSettingsStore> store);

QString ReadSetting(const QString& name, const QString& defaultText);
bool WriteSetting(const QString& name, const QString& text);

// A decimal integer value (optional sign, surrounding blanks allowed); the default when
// the text is no such number or lies outside [minimum, maximum].
int ParseSettingInt(const QString& text, int defaultValue, int minimum = INT_MIN, int maximum = INT_MAX);
int ReadIntSetting(const QString& name, int defaultValue, int minimum = INT_MIN, int maximum = INT_MAX);

}  // namespace lumora::platform

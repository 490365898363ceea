#pragma once

#include <QString>

namespace pimra::media {

// The choices kept from one run to the next. The defaults are the values every fresh start
// shows: texture 1, move sounds on, level 3 ("Сложный").
struct Settings {
    int backgroundIndex = 1;  // 1..8
    bool soundOn = true;
    int level = 3;             // 0..5 as the "Уровень" menu numbers them
    int masterTimeMs = 1000;   // the master level's time per move, 10..60000
    bool ownRowBottom = true;  // at a table, seat 2 sees its own row at the bottom
    int searchThreads = 0;     // the master's search threads, 1..8; 0: the cores less one
    bool chatOn = true;        // "Чат": a table's chat is shown and lines may be said

    bool operator==(const Settings&) const = default;
};

// Reads and writes Settings in an INI file. A missing, unreadable or damaged file, or a value
// that is not a number or out of range, gives the default for what it cannot supply.
class AppSettings {
  public:
    // The user's configuration directory, organisation and application "pimra".
    AppSettings();
    // An explicit file, for tests and for callers that keep the settings elsewhere.
    explicit AppSettings(QString filePath);

    const QString& filePath() const { return filePath_; }

    Settings load() const;
    // The game server's address ("server/url"), empty when not set. Saving keeps it.
    QString serverUrl() const;
    // The folder of the last game saved or loaded, empty when none was; saving the other
    // settings keeps it.
    QString gameFolder() const;
    bool saveGameFolder(const QString& folder) const;
    // The interface's language ("ru", "en"), empty when none was chosen; kept like the folder.
    QString language() const;
    bool saveLanguage(const QString& code) const;
    // Out-of-range values are written as their defaults. A damaged file is moved aside to
    // "<file>.damaged" first. False when the file could not be written.
    bool save(const Settings& settings) const;

  private:
    void setDamagedFileAside() const;
    bool saveValue(const QString& key, const QString& value) const;

    QString filePath_;
};

}  // namespace pimra::media

#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kestrovalin {

class FileKeeper;
class IDbAdapter;
struct FileMark;
class SQLiteAdapter;

// Process-wide owner of the one database adapter.
class DatabaseManager {
public:
    static DatabaseManager& instance();

    bool initialize(const QString& path);
    // Applies the script to a database without tables, all statements or none; false (with the driver's
    // reason in *error) when one fails.
    bool initializeSchema(const QString& path, QString* error = nullptr);
    bool migrateSchema();
    bool importTestData(const QString& path);
    bool removeForeignKeys();
    IDbAdapter* getAdapter() const;
    // The program's file as its connection sees it now (see FileMark); one that cannot be read without a
    // connection, or once every statement is refused after a replacement.
    FileMark fileMark() const;
    // Why the last initialize could not open the file, or cannot write it, in the user's words (the log has
    // the driver's); empty after a good open.
    QString openError() const { return m_openError; }
    // Looks whether the file was replaced while open and keeps what the program holds (see FileKeeper). The
    // manager looks by itself within about a second of a change, while the program has an event loop.
    void lookForReplacement() const;
    // Called once when the file the program has open is found replaced (see FileKeeper::setNotice), also
    // for a file opened later; from inside whatever the connection is doing, so queue what it shows.
    void setReplacementNotice(std::function<void()> notice);
    void shutdown();

    void createDefaultAdminUser();
    void createDefaultCustomer();

    // The statement splitter shared by the schema and test-data scripts.
    static QStringList splitSqlScript(const QString& text);

    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

private:
    DatabaseManager() = default;
    ~DatabaseManager();

    SQLiteAdapter* m_adapter = nullptr;
    QString m_openError;
    // Keeps the file the adapter has open while it is replaced under it.
    std::unique_ptr<FileKeeper> m_keeper;
    std::function<void()> m_notice;
};

} // namespace kestrovalin

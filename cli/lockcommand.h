#pragma once

// Runs quillgate-lock: gathers the files, reads the password and the users, locks each file and reports.

#include "cli/options.h"

#include <set>
#include <string>
#include <vector>

class LockCommand
{
public:
    static constexpr int ExitAllLocked = 0;
    static constexpr int ExitSomeNotLocked = 1;
    static constexpr int ExitUsage = 2;

    explicit LockCommand(LockOptions::Options options);

    int Run();

private:
    struct User
    {
        std::string entry; // engine bytes: name, TAB, password
        std::string nameText; // the name as the file wrote it, for messages
    };

    bool ReadPassword(std::string& bytes);
    bool ReadUsers();
    // The files to lock, in the order named, folders expanded (symbolic links inside them are not followed),
    // each file once. False when a folder could not be read completely (its reason is printed; the files found
    // are still returned).
    bool CollectFiles(std::vector<std::string>& files) const;
    void
    LockOne(const std::string& path, const std::string& password, const std::vector<std::string>& entries, int& answer);
    void ReportOmitted(const std::vector<std::string>& names);

    LockOptions::Options m_options;
    std::vector<User> m_users;
    std::set<std::string> m_reportedUsers;
    int m_locked = 0;
    bool m_allLocked = true;
};

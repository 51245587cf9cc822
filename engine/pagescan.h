#pragma once

// The one rule for finding the pages of a folder, shared by the command and the wizard.

#include "engine/handles.h"

#include <string>
#include <vector>

namespace PageScan
{
    // What a walk finds, in its order.
    enum class Kind
    {
        Page, // a regular file whose name Encrypthtml::IsPageFileName accepts
        OtherFile, // any other regular file
        NotFollowed, // neither a regular file nor a folder (symbolic links, devices, pipes, sockets)
        Unreadable, // a folder that could not be read, whole or in part, or that changed after it was listed
        Folder, // a subfolder entered: folder is its handle, and its entries follow
        FolderDone // the last entry of the folder (a subfolder or the walk's own) has been given
    };

    struct Found
    {
        Kind kind = Kind::Page;
        // The file (a page, other file or entry not followed), or the subfolder (Folder, FolderDone), where it
        // was found: its folder's handle, its name and inode. place.path is folder + "/" + name.
        Handles::Place place;
        // Folder, FolderDone: the subfolder's own handle (the walk's folder for its last FolderDone).
        Handles::FolderRef folder;
        // The path below the walk's folder ("a/b.html"); empty for the walk's folder itself.
        std::string relative;
        // Unreadable: "folder: reason".
        std::string reason;
    };

    // Walks a folder a folder at a time, so a run holds the entries of the folders on the way down and no more.
    // Each folder's files come in byte order of their names, then its subfolders, depth first, each in byte order;
    // so each folder's own pages come before its subfolders' pages. Entry types are read without following links:
    // a link could lead out of the folder, so only a link named by the user is ever followed (the folder itself),
    // and links to folders are not entered either, so cycles end. Every subfolder is opened through its parent's
    // handle without following a link, and must be the folder that was listed.
    class Walk
    {
    public:
        // One trailing "/" of folder is dropped first ("/" itself gives "/name"); an empty folder text gives
        // nothing. A folder that cannot be opened gives one Unreadable.
        Walk(const std::string& folder, bool recursive);
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        // The next thing found; false once the walk is over.
        bool next(Found& found);

    private:
        struct Level;
        bool enterNext(Found& found);

        bool m_recursive;
        std::vector<Level> m_levels;
        std::vector<Found> m_ready; // found, not yet given, last first
    };

    struct Result
    {
        // Paths as folder + "/" + name (names as the file system holds them, whatever their encoding), in the
        // walk's order.
        std::vector<std::string> pages;
        // "folder: reason" for every folder that could not be read (whole or in part); its readable siblings are
        // still scanned.
        std::vector<std::string> unreadable;
        // In the same form and order: the regular files that are no pages, for a caller that copies a whole site.
        std::vector<std::string> otherFiles;
        // Entries that are neither regular files nor folders: not followed, not read.
        std::vector<std::string> notFollowed;
    };

    // The whole walk of folder (with recursive, of all its subfolders) as lists of paths.
    Result ScanFolder(const std::string& folder, bool recursive);
} // namespace PageScan

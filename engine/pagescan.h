#pragma once

// The one rule for finding the pages of a folder, shared by the command and the wizard.

#include <string>
#include <vector>

namespace PageScan
{
    struct Result
    {
        // Paths as folder + "/" + name (names as the file system holds them, whatever their encoding), each
        // folder's own pages before its subfolders' pages, depth first, each folder's entries in byte order.
        std::vector<std::string> pages;
        // "folder: reason" for every folder that could not be read (whole or in part); its readable siblings are
        // still scanned.
        std::vector<std::string> unreadable;
        // In the same form and order: the regular files that are no pages, for a caller that copies a whole site.
        std::vector<std::string> otherFiles;
        // Entries that are neither regular files nor folders (symbolic links, devices, pipes, sockets): not
        // followed, not read.
        std::vector<std::string> notFollowed;
    };

    // The pages of folder and, with recursive, of all its subfolders. A page is a regular file, not a symbolic
    // link, whose name Encrypthtml::IsPageFileName accepts: a link could lead out of the folder, so only a link
    // named by the user is ever followed. Symbolic links to folders are not entered either, so cycles end.
    // Entry types are read without following links. One trailing "/" of folder is dropped first ("/" itself
    // gives "/name"); an empty folder text gives nothing.
    Result ScanFolder(const std::string& folder, bool recursive);
} // namespace PageScan

#pragma once
// Where a document lives: a file on disk, or a member inside one, written
// as a member path ("games.zip::DISK1.DSK::TITLE.SC5"). The file part is the
// shortest prefix before a "::" that names a file, so a file whose own name
// holds "::" still opens.

#include <string>
#include <vector>

namespace quillet::app {

struct DocumentPath {
    std::string file;                 // on disk
    std::vector<std::string> members; // inside it, outermost first
};

DocumentPath splitDocumentPath(const std::string& path);

// The container that holds the member `path` names; empty for a file on disk.
std::string parentDocumentPath(const std::string& path);

// The name the document goes by, without folders: the last member's, or
// the file's.
std::string documentLeafName(const std::string& path);

// The bytes of the member `path` names. Throws QuilletError: what opening
// the file or reading the containers on the way throws (UnknownMember,
// DamagedMember, TooLarge, ...), or UnknownMember when `path` names a file.
std::string readMemberBytes(const std::string& path);

} // namespace quillet::app

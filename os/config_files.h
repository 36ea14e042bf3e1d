// Where the system's own configuration files are found. The files an administrator installs (the
// user preference file, the country parameter file, the call-control configuration) live in the
// folder of the registry file: /etc/corvane, unless $CRVN_REGISTRY names another registry file,
// as a private installation or a test does. A file given by a relative name is looked for in the
// current folder first, then beside the file that named it, then in that folder.
#pragma once

#include <string>
#include <vector>

namespace os {

// The folder of the registry file, without a trailing separator.
std::string ConfigFolder();

// The places a file `name` is looked for, in order and each once: `name` itself (for a relative
// name, in the current folder); for a relative name also the folder of `named_by` (when given and
// not the current folder) and ConfigFolder(). An absolute or empty name is its only place.
std::vector<std::string> ConfigFilePlaces(const std::string& name, const char* named_by);

// The places as one text for a message, "./NAME, FOLDER/NAME and FOLDER/NAME": a name without a
// folder reads as one in the current folder.
std::string PlaceList(const std::vector<std::string>& places);

// The first of those places that holds a regular file that opens for reading; `name` itself when
// none does, so that a message about a missing file names it as it was given.
std::string FindConfigFile(const std::string& name, const char* named_by);

}  // namespace os

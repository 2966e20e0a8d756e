// The JSON lines that the test fixtures write (the FTP server's log, the stand-in's record):
// flat objects whose values are strings or integers.
#pragma once

#include <map>
#include <optional>
#include <string>

// The fields of one flat JSON object, integers kept as their decimal text; nullopt when the
// line is not such an object.
std::optional<std::map<std::string, std::string>> ParseFlatJsonObject(const std::string& line);

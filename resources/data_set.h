// Where the data set is read from. Files are catalogued by their path under
// "data/" (data/KV07.mp3, data/Lyrics/Line01.png); the run may keep its data
// set elsewhere, and every file is opened through dataSetPath.
#pragma once
#include <string>

// The data set's directory: "data", relative to the working directory, unless
// the shell chose another before start-up.
extern std::string dataDirectory;

// `cataloguedPath` ("data/...") under dataDirectory; other paths as they are.
std::string dataSetPath(const char* cataloguedPath);

// The data set's directory and the mapping of catalogued paths into it.
#include "resources/data_set.h"

#include <cstring>

std::string dataDirectory = "data";

std::string dataSetPath(const char* cataloguedPath) {
    static const char PREFIX[] = "data/";
    const size_t prefixLength = sizeof PREFIX - 1;
    if (std::strncmp(cataloguedPath, PREFIX, prefixLength) != 0) return cataloguedPath;
    return dataDirectory + "/" + (cataloguedPath + prefixLength);
}

// The texture catalogue the tests expect: each row's handle and data-set path
// in load order, written out from the handle names and the path rules apart
// from the program's own table, so that a shifted or swapped row there shows.
#pragma once
#include <string>
#include <vector>

struct ExpectedTexture {
    unsigned int* handle;
    std::string path;  // from the data set's parent: "data/..."
};

// The 65 rows (IMAGE_TEXTURE_COUNT), as the scenes know them.
const std::vector<ExpectedTexture>& expectedTextureCatalogue();

// The 69 names the texture handles hold now: the rows above in order, then
// renderTex0 to renderTex3. The handles keep their values after deletion.
std::vector<unsigned int> textureNames();

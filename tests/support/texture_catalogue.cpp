// The expected texture catalogue: eleven named images, then 41 caption lines
// and 13 illustrations numbered from 1 under data/Lyrics.
#include "support/texture_catalogue.h"

#include <cstdio>

#include "resources/textures.h"

const std::vector<ExpectedTexture>& expectedTextureCatalogue() {
    static const std::vector<ExpectedTexture> rows = [] {
        std::vector<ExpectedTexture> rows = {
            {&texGroupLogo, "data/GroupLogo.png"}, {&texEnvA, "data/EnvA.png"},
            {&texTitle, "data/Title.jpg"},         {&texThanks, "data/Thanks.png"},
            {&texThanksGroups, "data/ThanksGroups.png"},
            {&texRiddle, "data/Riddle.png"},       {&texSpiral, "data/Spiral.jpg"},
            {&texWave, "data/Wave.jpg"},           {&texStrip, "data/Strip.jpg"},
            {&texPhoto, "data/Photo.jpg"},         {&texBanner, "data/Banner.png"},
        };
        unsigned int* const lines[] = {
            &texLine01, &texLine02, &texLine03, &texLine04, &texLine05, &texLine06, &texLine07,
            &texLine08, &texLine09, &texLine10, &texLine11, &texLine12, &texLine13, &texLine14,
            &texLine15, &texLine16, &texLine17, &texLine18, &texLine19, &texLine20, &texLine21,
            &texLine22, &texLine23, &texLine24, &texLine25, &texLine26, &texLine27, &texLine28,
            &texLine29, &texLine30, &texLine31, &texLine32, &texLine33, &texLine34, &texLine35,
            &texLine36, &texLine37, &texLine38, &texLine39, &texLine40, &texLine41};
        unsigned int* const raps[] = {&texRap01, &texRap02, &texRap03, &texRap04, &texRap05,
                                      &texRap06, &texRap07, &texRap08, &texRap09, &texRap10,
                                      &texRap11, &texRap12, &texRap13};
        char path[64];
        for (int i = 0; i < 41; ++i) {
            std::snprintf(path, sizeof path, "data/Lyrics/Line%02d.png", i + 1);
            rows.push_back({lines[i], path});
        }
        for (int i = 0; i < 13; ++i) {
            std::snprintf(path, sizeof path, "data/Lyrics/rap_%02d.png", i + 1);
            rows.push_back({raps[i], path});
        }
        return rows;
    }();
    return rows;
}

std::vector<unsigned int> textureNames() {
    std::vector<unsigned int> names;
    for (const ExpectedTexture& row : expectedTextureCatalogue()) names.push_back(*row.handle);
    for (unsigned int name : {renderTex0, renderTex1, renderTex2, renderTex3}) names.push_back(name);
    return names;
}

// Positions inside the scenes where the picture changes, in bytes of decoded
// music compared with musicBytePos. Windows include their start and exclude
// their end; every value is a whole number a 32-bit float holds exactly.
#pragma once

//                                   bytes           about (s)
constexpr float LOGO_PART_FROM     = 0.0f;        //   0.00  group logo over mesh A
constexpr float LOGO_PART_UNTIL    = 2642304.0f;  //  14.98
constexpr float TITLE_PART_FROM    = 2642304.0f;  //  14.98  title image
constexpr float TITLE_PART_UNTIL   = 5289176.0f;  //  29.98  same value as introEnd, kept apart
constexpr float THANKS_GROUPS_FROM = 11276600.0f; //  63.93  texThanks before, texThanksGroups from here
constexpr float PHOTO_PART_FROM    = 13196416.0f; //  74.81  photo and banner
constexpr float PHOTO_PART_UNTIL   = 15909668.0f; //  90.19
constexpr float RENDER_PART_FROM   = 15909668.0f; //  90.19  mesh C showing the render target
constexpr float RENDER_PART_UNTIL  = 23805512.0f; // 134.95

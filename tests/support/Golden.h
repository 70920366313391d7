// Expected traces shared by the unit tests (against the fake engine) and the end-to-end tests (the real
// engine): written once here.
#pragma once
#include <string>
#include <vector>

// The load callback's first loads: the interface pictures, their masks and frame sizes, then the font.
// A mask load answers 1: the mask is now current.
inline const std::vector<std::string>& InterfaceLoadOrder() {
  static const std::vector<std::string> kLoads = {
      R"(Tex_LoadFromFile "Data\\Map1.jpg" -1 1 =1)",
      R"(Tex_LoadFromFile "Data\\Map2.jpg" -1 1 =2)",
      R"(Tex_LoadFromFile "Data\\Cur.tga" -1 1 =3)",
      R"(Tex_LoadFromFile "Data\\Black.jpg" -1 1 =4)",
      R"(Tex_LoadFromFile "Data\\btm.jpg" -1 1 =5)",
      "Tex_SetFramesSize 5 256 128",
      R"(Tex_LoadMaskFromFile "Data\\msp.jpg" =1)",
      R"(Tex_LoadFromFile "Data\\sp.jpg" -1 330 =6)",
      "Tex_SetFramesSize 6 256 256",
      R"(Tex_LoadMaskFromFile "Data\\mbl.jpg" =1)",
      R"(Tex_LoadFromFile "Data\\black.jpg" -1 330 =7)",
      R"(Tex_LoadMaskFromFile "Data\\mbigsv.jpg" =1)",
      R"(Tex_LoadFromFile "Data\\bigsv.jpg" -1 330 =8)",
      R"(Text_LoadFontFromFile "Data\\Font1.tga" "Data\\Font1.ofi" 0 394 =9)",
  };
  return kLoads;
}

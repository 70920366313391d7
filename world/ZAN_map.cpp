#include "world/ZAN_map.h"

#include "assets/ZAN_materials.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/MainProc.h"
#include "world/Game_A.h"

TMapCell MapCells[kMapColumns + 1][kMapRows + 1];
TScreenPos CellPos[kMapColumns + 1][kMapRows + 1];

namespace {

constexpr int32_t kOpaque = 255;
constexpr int32_t kPlainFlags = 1;
constexpr int32_t kTintFlags = 9;

// Sprite sizes and their offsets from the cell position, in screen pixels.
constexpr float kGroundW = 64, kGroundH = 128;
constexpr float kGunW = 128, kGunH = 128, kGunDX = -32, kGunDY = -64;
constexpr float kHomeW = 192, kHomeH = 192, kHomeDX = -64, kHomeDY = -128;
constexpr float kAltarW = 64, kAltarH = 128, kAltarDY = -96;
constexpr float kShadowW = 64, kShadowH = 32;
constexpr float kModelW = 64, kModelH = 128, kModelDY = -98;
// Homes and altars count 20..81 and show a twentieth of that as their frame: 1..4 (4 only at 80 and 81).
constexpr int32_t kAnimationFrameDivisor = 20;

float F(int32_t v) { return static_cast<float>(v); }

void DrawGround(int c, int r) {
  const TMapCell& cell = MapCells[c][r];
  if (cell.GroundFrame <= 0) return;
  // A texture index the list does not hold draws no ground rather than reading past the list.
  if (cell.GroundTexture < 0 || static_cast<std::size_t>(cell.GroundTexture) >= GroundTextures.size()) return;
  const TScreenPos p = CellPos[c][r];
  ASprite_Draw(GroundTextures[static_cast<std::size_t>(cell.GroundTexture)], F(p.x), F(p.y), kGroundW, kGroundH,
               cell.GroundFrame, kOpaque, 0, kPlainFlags);
}

void DrawObject(int c, int r) {
  const TScreenPos p = CellPos[c][r];
  const int32_t v = CellValue[c][r];
  switch (MapCells[c][r].Kind) {
    case kKindAimedGun:
    case kKindFixedGun:
      ASprite_Draw(TexGun, F(p.x) + kGunDX, F(p.y) + kGunDY, kGunW, kGunH, v, kOpaque, 0, kPlainFlags);
      break;
    case kKindHome:
      ASprite_Draw(TexHome, F(p.x) + kHomeDX, F(p.y) + kHomeDY, kHomeW, kHomeH, v / kAnimationFrameDivisor,
                   kOpaque, 0, kPlainFlags);
      break;
    case kKindAltar:
      ASprite_Draw(TexAltar, F(p.x), F(p.y) + kAltarDY, kAltarW, kAltarH, v / kAnimationFrameDivisor, kOpaque, 0,
                   kPlainFlags);
      break;
    default:
      break;
  }
}

void DrawSlotUnit(int c, int r) {
  const TCellUnit slot = CellUnit[c][r];
  if (!slot.Occupied || slot.Home >= Homes.size()) return;
  const THomeCord& home = Homes[slot.Home];
  if (slot.Unit >= home.Units.size()) return;
  const TUnitRec& u = home.Units[slot.Unit];
  const uint8_t facing = UnitFacingIndex(u.Angle);
  SSprite_Draw(TexShadow, u.X, u.Y, kShadowW, kShadowH, kOpaque, 0, kPlainFlags);
  if (slot.Unit == 0) {
    ASprite_Draw(ModelSh[facing], u.X, u.Y + kModelDY, kModelW, kModelH, u.Frame, kOpaque, 0, kPlainFlags);
    return;
  }
  ASprite_Draw(ModelPt[facing], u.X, u.Y + kModelDY, kModelW, kModelH, u.Frame, kOpaque, 0, kPlainFlags);
  FX_SetColorMix(PaletteColor(u.Colour));
  ASprite_Draw(ModelCol[facing], u.X, u.Y + kModelDY, kModelW, kModelH, u.Frame, kOpaque, 0, kTintFlags);
}

// The hut's front part, drawn again over whatever stands in front of its own cell.
void DrawHomeFront(int c, int r) {
  if (r <= 2 || MapCells[c][r - 2].Kind != kKindHome) return;
  const TScreenPos p = CellPos[c][r - 2];
  ASprite_Draw(TexHome2, F(p.x) + kHomeDX, F(p.y) + kHomeDY, kHomeW, kHomeH,
               CellValue[c][r - 2] / kAnimationFrameDivisor, kOpaque, 0, kPlainFlags);
}

}  // namespace

void ResetZAN_map() {
  for (int c = 0; c <= kMapColumns; ++c)
    for (int r = 0; r <= kMapRows; ++r) {
      MapCells[c][r] = TMapCell{};
      CellPos[c][r] = TScreenPos{0, 0};
    }
}

void InitMapGrid() {
  for (int c = 0; c <= kMapColumns; ++c)
    for (int r = 0; r <= kMapRows; ++r) {
      MapCells[c][r] = TMapCell{};
      CellUnit[c][r].Occupied = false;
      CellPos[c][r] = TScreenPos{0, 0};
      if (c == 0 || r == 0) continue;
      CellPos[c][r].x = kCellWidth * (c - 1) - ((r % 2 == 1) ? kCellWidth / 2 : 0);
      CellPos[c][r].y = kRowStep * (r - 2);
    }
  AimedGuns.clear();
  FixedGuns.clear();
  Altars.clear();
  Homes.clear();
}

void LoadMap(const std::string& FileName) {
  InitMapGrid();

  // Only read, so a write-protected map loads; anything after the one record is never looked at.
  unsigned char record[kMapFileBytes];
  TFile file;
  FileOpenRead(file, FileName);
  FileRead(file, record, sizeof record);
  FileClose(file);

  // The file is column-major: the 49 cells of column 1, then column 2, ...
  const unsigned char* in = record;
  for (int c = 1; c <= kMapColumns; ++c)
    for (int r = 1; r <= kMapRows; ++r, in += kMapCellBytes) {
      TMapCell& cell = MapCells[c][r];
      cell.GroundFrame = static_cast<int8_t>(in[0]);
      cell.GroundTexture = static_cast<int8_t>(in[1]);
      cell.Path = in[2];
      cell.Kind = in[3];
      cell.Spare = in[4];
    }

  for (int c = 1; c <= kMapColumns; ++c)
    for (int r = 1; r <= kMapRows; ++r) {
      const TCellCord at{static_cast<uint8_t>(c), static_cast<uint8_t>(r)};
      switch (MapCells[c][r].Kind) {
        case kKindAimedGun: AimedGuns.push_back(at); break;
        case kKindFixedGun: FixedGuns.push_back(at); break;
        case kKindAltar: Altars.push_back(at); break;
        case kKindHome:
          // A cell slot stores the home index in one byte: later homes stay plain huts without units.
          if (Homes.size() < kMaxHomes) {
            Homes.push_back(THomeCord{at.Column, at.Row, {}, 0});
            CreateHomeUnits(static_cast<int>(Homes.size()) - 1);
          }
          break;
        default: break;
      }
    }
}

void DrawMap() {
  for (int r = 1; r <= kMapRows; ++r)
    for (int c = 1; c <= kMapColumns; ++c) DrawGround(c, r);
  for (int r = 1; r <= kMapRows; ++r)
    for (int c = 1; c <= kMapColumns; ++c) {
      DrawObject(c, r);
      DrawSlotUnit(c, r);
      DrawHomeFront(c, r);
    }
}

uint8_t UnitFacingIndex(float Angle) {
  // Anything that cannot round into 0..7 (including NaN) shows facing 0.
  if (!(Angle > -1.0f && Angle < 8.0f)) return 0;
  const int64_t facing = RoundHalfEven(Angle);
  return (facing >= 0 && facing < kFacings) ? static_cast<uint8_t>(facing) : 0;
}

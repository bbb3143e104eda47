#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/paint_surface.h"
#include "tests/support/temp_folder.h"
#include "ui/core/paint_manager.h"
#include "ui/core/process_elevation.h"
#include "ui/core/skin_resource.h"
#include "ui/core/skin_settings.h"
#include "ui/render/color_shift.h"
#include "ui/render/image_cache.h"
#include "ui/render/image_loader.h"
#include "ui/render/image_variant.h"
#include "ui/render/render_engine.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace ui {
namespace {

// Encodes RGBA pixels as a real PNG file image.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgba) {
  int length = 0;
  unsigned char* png = stbi_write_png_to_mem(rgba.data(), width * 4, width, height, 4, &length);
  std::vector<uint8_t> bytes(png, png + length);
  STBIW_FREE(png);
  return bytes;
}

std::wstring SkinImage(const wchar_t* name) {
  return std::wstring(QUENBY_SOURCE_DIR) + L"/resources/install_online/" + name;
}

// Reads image files by absolute path, as the skin lookup does for names it does not know.
const ImageBytesReader kReadFiles = &ReadSkinImage;

TEST(ImageLoaderTest, PremultipliesAndAppliesTheColourKey) {
  struct Case {
    const char* description;
    uint8_t r, g, b, a;
    uint32_t mask;
    uint32_t expected;
    bool hasAlpha;
  };
  const Case kCases[] = {
      {"opaque pixel is copied", 200, 100, 50, 255, 0, 0xFFC86432, false},
      {"half transparent is premultiplied", 10, 20, 30, 128, 0, 0x80050A0F, true},
      {"fully transparent becomes zero", 200, 100, 50, 0, 0, 0x00000000, true},
      {"opaque magenta under a magenta key", 255, 0, 255, 255, 0xFFFF00FF, 0, true},
      {"the key compares premultiplied values", 255, 0, 255, 128, 0xFFFF00FF, 0x80800080, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const uint8_t rgba[4] = {c.r, c.g, c.b, c.a};
    uint32_t pixel = 0xDEADBEEF;
    EXPECT_EQ(c.hasAlpha, PremultiplyPixels(rgba, 1, c.mask, &pixel));
    EXPECT_EQ(c.expected, pixel);
  }
}

TEST(ImageLoaderTest, DecodesPngIntoATopDownBitmap) {
  // Row 0: opaque red, transparent; row 1: half green, opaque blue.
  std::vector<uint8_t> png =
      EncodePng(2, 2, {255, 0, 0, 255, 9, 9, 9, 0, 0, 255, 0, 128, 0, 0, 255, 255});
  ImageRecordPtr image = DecodeImage(png.data(), png.size(), 0);
  ASSERT_TRUE(image);
  EXPECT_EQ(2, image->width);
  EXPECT_EQ(2, image->height);
  EXPECT_TRUE(image->hasAlpha);
  ASSERT_TRUE(image->bitmap);
  EXPECT_EQ(0xFFFF0000u, image->pixels[0]);
  EXPECT_EQ(0x00000000u, image->pixels[1]);
  EXPECT_EQ(0x80008000u, image->pixels[2]);
  EXPECT_EQ(0xFF0000FFu, image->pixels[3]);
  BITMAP info{};
  ASSERT_TRUE(::GetObjectW(image->bitmap.Get(), sizeof info, &info));
  EXPECT_EQ(32, info.bmBitsPixel);
}

TEST(ImageLoaderTest, LoadsTheSkinImagesFromFiles) {
  ImageRecordPtr background = LoadImage(SkinImage(L"bg_main.png").c_str(), nullptr, 0, kReadFiles);
  ASSERT_TRUE(background);
  EXPECT_EQ(600, background->width);
  EXPECT_EQ(400, background->height);
  EXPECT_FALSE(background->hasAlpha);

  ImageRecordPtr logo = LoadImage(SkinImage(L"logo.png").c_str(), nullptr, 0, kReadFiles);
  ASSERT_TRUE(logo);
  EXPECT_TRUE(logo->hasAlpha);
}

TEST(ImageLoaderTest, RefusesWhatCannotBeABitmap) {
  std::vector<uint8_t> notImage = {'n', 'o', 't', ' ', 'p', 'n', 'g'};
  EXPECT_FALSE(DecodeImage(notImage.data(), notImage.size(), 0));
  EXPECT_FALSE(DecodeImage(nullptr, 0, 0));
  EXPECT_FALSE(LoadImage(SkinImage(L"missing.png").c_str(), nullptr, 0, kReadFiles));
  EXPECT_FALSE(LoadImage(SkinImage(L"logo.png").c_str(), nullptr, 0, nullptr)) << "no reader";

  // A side beyond the bound is refused before decoding; the bound itself is accepted.
  std::vector<uint8_t> row(static_cast<size_t>(kMaxImageSide + 1) * 4, 255);
  std::vector<uint8_t> tooWide = EncodePng(kMaxImageSide + 1, 1, row);
  EXPECT_FALSE(DecodeImage(tooWide.data(), tooWide.size(), 0));
  row.resize(static_cast<size_t>(kMaxImageSide) * 4);
  std::vector<uint8_t> widest = EncodePng(kMaxImageSide, 1, row);
  EXPECT_TRUE(DecodeImage(widest.data(), widest.size(), 0));

  // A truncated file fails cleanly.
  std::vector<uint8_t> png = EncodePng(1, 1, {1, 2, 3, 4});
  png.resize(png.size() / 2);
  EXPECT_FALSE(DecodeImage(png.data(), png.size(), 0));
}

TEST(ImageLoaderTest, ColourImagesAreOnePixel) {
  for (const wchar_t* name : {L"#80FF0000", L"80FF0000"}) {
    ImageRecordPtr image = LoadCacheImage(name, kColorImageType, 0, false, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(1, image->width);
    EXPECT_EQ(1, image->height);
    EXPECT_EQ(0x80800000u, image->pixels[0]);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(kColorImageType, image->resourceType);
  }
}

TEST(ImageLoaderTest, AsksTheReaderForNamesOrResourceIdentifiers) {
  const std::vector<uint8_t> png = EncodePng(1, 1, {1, 2, 3, 255});
  std::vector<std::wstring> requests;  // "#<id>" for a resource identifier, then type and kind
  bool variantsExist = true;
  const ImageBytesReader reader = [&](const wchar_t* name, const wchar_t* type, ImageName kind) {
    requests.push_back((IS_INTRESOURCE(name) ? L"#" + std::to_wstring(LOWORD(name)) : name) + L" " +
                       (type ? type : L"<none>") +
                       (kind == ImageName::Variant ? L" variant" : L" given"));
    return kind == ImageName::Variant && !variantsExist ? std::vector<uint8_t>() : png;
  };
  ASSERT_TRUE(LoadCacheImage(L"136", L"PNG", 0, false, reader));
  ASSERT_TRUE(LoadCacheImage(L"logo.png", nullptr, 0, false, reader));
  ASSERT_TRUE(LoadCacheImage(L"12.png", L"", 0, false, reader)) << "an empty type is none";
  ASSERT_TRUE(LoadCacheImage(L"#FF00FF00", kColorImageType, 0, false, reader));
  EXPECT_EQ((std::vector<std::wstring>{L"#136 PNG given", L"logo.png <none> given",
                                       L"12.png <none> given"}),
            requests)
      << "colours are not read";

  // At 150 % the variants are asked for as such, and the given name only when they are absent.
  requests.clear();
  ASSERT_TRUE(LoadCacheImage(L"logo.png", nullptr, 0, false, reader, 144));
  EXPECT_EQ((std::vector<std::wstring>{L"logo@1.5x.png <none> variant"}), requests);
  requests.clear();
  variantsExist = false;
  ASSERT_TRUE(LoadCacheImage(L"logo.png", nullptr, 0, false, reader, 144));
  EXPECT_EQ((std::vector<std::wstring>{L"logo@1.5x.png <none> variant",
                                       L"logo@2x.png <none> variant", L"logo.png <none> given"}),
            requests);
}

TEST(ImageLoaderTest, NeutralShiftRestoresTheUnshiftedPixels) {
  ImageRecordPtr image = LoadCacheImage(L"FF336699", kColorImageType, 0, true, nullptr);
  ASSERT_TRUE(image);
  ASSERT_TRUE(image->unshiftedPixels);
  image->pixels[0] = 0;
  ShiftImageColors(image.get(), 180, 100, 100);
  EXPECT_EQ(0xFF336699u, image->pixels[0]);
  ShiftImageColors(image.get(), 0, 100, 100);  // half way round the colour wheel
  EXPECT_EQ(0xFF996633u, image->pixels[0]);
}

TEST(ApplyHslTest, ShiftsHueSaturationAndLightness) {
  EXPECT_EQ(0x80123456u, ApplyHsl(0x80123456, 180, 100, 100));
  EXPECT_EQ(0xFF00FF00u, ApplyHsl(0xFFFF0000, 300, 100, 100));  // red + 120 degrees
  EXPECT_EQ(0x40808080u, ApplyHsl(0x40FF0000, 180, 0, 100));    // no saturation: grey
  EXPECT_EQ(0xFF000000u, ApplyHsl(0xFFFF0000, 180, 100, 0));    // no lightness: black
}

class ImageCacheTest : public testing::Test {
 protected:
  void TearDown() override { ImageCache::Shared().Clear(); }
  PaintManager manager_;
};

TEST_F(ImageCacheTest, WindowImagesComeFirstAndReplaceByName) {
  ImageRecord* shared =
      manager_.AddImage(L"FF0000FF", kColorImageType, 0, false, ResourceSet::Shared);
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared, manager_.GetImage(L"FF0000FF"));

  ImageRecord* own =
      manager_.AddImage(L"FF0000FF", kColorImageType, 0xFF0000FF, false, ResourceSet::Window);
  ASSERT_TRUE(own);
  EXPECT_EQ(own, manager_.GetImage(L"FF0000FF"));
  EXPECT_EQ(0u, own->pixels[0]);  // loaded with its own colour as the key
  EXPECT_EQ(shared, ImageCache::Shared().Find(L"FF0000FF"));

  ImageRecord* again =
      manager_.AddImage(L"FF0000FF", kColorImageType, 0, false, ResourceSet::Window);
  EXPECT_EQ(again, manager_.GetImage(L"FF0000FF"));
  EXPECT_EQ(0xFF0000FFu, again->pixels[0]);

  manager_.RemoveAllImages(ResourceSet::Window);
  EXPECT_EQ(shared, manager_.GetImage(L"FF0000FF"));
  manager_.RemoveAllImages(ResourceSet::Shared);
  EXPECT_EQ(nullptr, manager_.GetImage(L"FF0000FF"));
}

TEST_F(ImageCacheTest, GetOrAddLoadsOnceIntoTheWindowCache) {
  std::wstring path = SkinImage(L"checkbox.png");
  ImageRecord* first = manager_.GetOrAddImage(path, nullptr, 0, false);
  ASSERT_TRUE(first);
  EXPECT_EQ(13, first->width);
  EXPECT_EQ(first, manager_.GetOrAddImage(path, nullptr, 0, false));
  EXPECT_EQ(nullptr, ImageCache::Shared().Find(path));
  EXPECT_EQ(nullptr, manager_.GetOrAddImage(L"", nullptr, 0, false));
  EXPECT_EQ(nullptr, manager_.GetOrAddImage(SkinImage(L"nothing.png"), nullptr, 0, false));
}

// A skin image in up to three variants, each one flat colour so that a pixel shows which variant
// was drawn: the base image red, @1.5x blue, and @2x green (the sentinel). The skin is the loose
// files of folder_.
class ScaledImageTest : public testing::Test {
 protected:
  void SetUp() override {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    SetSkinFolder(folder_.path());
  }

  void TearDown() override {
    SetSkinFolder(L"");
    SetProcessElevatedForTesting(std::nullopt);
    ImageCache::Shared().Clear();
  }

  // Writes name (4 × 4 skin units) into folder in the variants given by their DPIs.
  static void WriteImageInto(const TempFolder& folder,
                             const std::wstring& name,
                             const std::vector<int>& dpis) {
    for (int dpi : dpis) {
      const int side = DisplayScale(dpi).Length(SkinLength(4));
      const uint8_t* rgba = dpi == 96 ? kRed : dpi == 144 ? kBlue : kGreen;
      std::vector<uint8_t> pixels;
      for (int i = 0; i < side * side; ++i)
        pixels.insert(pixels.end(), rgba, rgba + 4);
      const std::vector<uint8_t> png = EncodePng(side, side, pixels);
      EXPECT_TRUE(WriteFileBytes(folder / ImageVariantName(name, dpi),
                                 std::string(png.begin(), png.end())));
    }
  }

  // Writes name into the skin and returns the name the skin uses for it.
  std::wstring WriteImage(const std::wstring& name, const std::vector<int>& dpis) {
    WriteImageInto(folder_, name, dpis);
    return name;
  }

  static constexpr uint8_t kRed[4] = {255, 0, 0, 255};
  static constexpr uint8_t kBlue[4] = {0, 0, 255, 255};
  static constexpr uint8_t kGreen[4] = {0, 255, 0, 255};
  TempFolder folder_;
  PaintManager manager_;
};

TEST_F(ScaledImageTest, LoadsTheChosenVariantAtTheWindowsScale) {
  struct Case {
    const char* description;
    std::vector<int> variants;
    int dpi;
    uint32_t color;
    int side;
  };
  const Case kCases[] = {
      {"100 %: the base image", {96, 192}, 96, 0xFFFF0000, 4},
      {"200 %: the 2x variant as it is", {96, 192}, 192, 0xFF00FF00, 8},
      {"150 % without 1.5x: 2x reduced", {96, 192}, 144, 0xFF00FF00, 6},
      {"150 % with 1.5x", {96, 144, 192}, 144, 0xFF0000FF, 6},
      {"125 %: 1.5x reduced", {96, 144, 192}, 120, 0xFF0000FF, 5},
      {"150 % with the base image only: enlarged", {96}, 144, 0xFFFF0000, 6},
  };
  int index = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const std::wstring path = WriteImage(L"mark" + std::to_wstring(index++) + L".png", c.variants);
    manager_.SetDpi(c.dpi);
    ImageRecord* image = manager_.GetOrAddImage(path, nullptr, 0, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(c.dpi, image->dpi);
    EXPECT_EQ(c.side, image->width);
    EXPECT_EQ(c.side, image->height);
    EXPECT_EQ(c.color, image->pixels[0]);
    EXPECT_EQ(c.color, image->pixels[c.side * c.side - 1]) << "a flat colour stays flat";
    EXPECT_EQ(4, ImageSkinSize(*image).Unscaled().cx) << "the skin size does not change";
  }
}

TEST_F(ScaledImageTest, DrawsAtTheScaledPlaceAndFollowsAScaleChange) {
  WriteImage(L"mark.png", {96, 192});
  ImageDrawInfo info;
  info.description = L"file='mark.png' dest='2,2,6,6'";
  const RECT item = {0, 0, 16, 16};

  testing_support::PaintSurface atBase(16, 16);
  ASSERT_TRUE(RenderEngine::DrawImageInfo(atBase.dc(), &manager_, item, item, info));
  EXPECT_TRUE(atBase.IsAll({2, 2, 6, 6}, 0xFF0000));
  EXPECT_EQ(16 * 16 - 16, atBase.Count(item, [](uint32_t p) { return p == 0xFFFFFF; }));

  // The same description after a move to a 200 % monitor: twice the place, the 2x pixels.
  manager_.SetDpi(192);
  testing_support::PaintSurface doubled(16, 16);
  ASSERT_TRUE(RenderEngine::DrawImageInfo(doubled.dc(), &manager_, item, item, info));
  EXPECT_TRUE(doubled.IsAll({4, 4, 12, 12}, 0x00FF00));
  EXPECT_EQ(16 * 16 - 64, doubled.Count(item, [](uint32_t p) { return p == 0xFFFFFF; }));
  EXPECT_EQ(192, info.image->dpi);
}

// A control that places an image itself (a slider's thumb, a progress bar's fill) gives its
// place in pixels: at 200 % it is drawn there, not at twice the place.
TEST_F(ScaledImageTest, PlaceInPixelsIsNotScaledAgain) {
  WriteImage(L"mark.png", {96, 192});
  manager_.SetDpi(192);
  ImageDrawInfo info;
  info.description = L"file='mark.png' dest='1,1,2,2'";
  const RECT item = {0, 0, 16, 16};
  testing_support::PaintSurface surface(16, 16);
  ASSERT_TRUE(
      RenderEngine::DrawImageInfoAt(surface.dc(), &manager_, item, {4, 4, 12, 12}, item, info));
  EXPECT_TRUE(surface.IsAll({4, 4, 12, 12}, 0x00FF00));
  EXPECT_EQ(16 * 16 - 64, surface.Count(item, [](uint32_t p) { return p == 0xFFFFFF; }));
}

// A file planted beside the skin's art, where a standard user may write (the current folder, or
// the folder of an absolute name), is not taken for a variant the skin lacks: at 150 % the skin's
// own base image is drawn enlarged, even by a process that still reads relative names.
TEST_F(ScaledImageTest, PlantedVariantIsNotDrawn) {
  SetProcessElevatedForTesting(false);
  TempFolder working;
  TempFolder elsewhere;
  WriteImage(L"mark.png", {96});
  WriteImageInto(working, L"mark.png", {144, 192});
  WriteImageInto(elsewhere, L"other.png", {96, 144, 192});
  wchar_t previous[MAX_PATH] = {};
  ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, previous));
  ASSERT_TRUE(SetCurrentDirectoryW(working.path().c_str()));
  manager_.SetDpi(144);

  ImageDrawInfo info;
  info.description = L"file='mark.png' dest='0,0,4,4'";
  const RECT item = {0, 0, 6, 6};
  testing_support::PaintSurface surface(6, 6);
  const bool drawn = RenderEngine::DrawImageInfo(surface.dc(), &manager_, item, item, info);
  // An absolute name outside the skin is still read, but not its planted variants either.
  ImageRecord* other = manager_.GetOrAddImage(elsewhere / L"other.png", nullptr, 0, false);
  SetCurrentDirectoryW(previous);

  ASSERT_TRUE(drawn);
  EXPECT_TRUE(surface.IsAll(item, 0xFF0000)) << "the skin's base image, not the planted 1.5x";
  ASSERT_TRUE(other);
  EXPECT_EQ(0xFFFF0000u, other->pixels[0]);
}

}  // namespace
}  // namespace ui

// Zeb_Open when the handle cannot be obtained.  The handle comes from the
// nothrow operator new, replaced here (for this test program only) by one
// that can be told to fail once; otherwise it forwards to the ordinary
// operator new, so the matching delete stays correct.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "base/library_state.h"
#include "support/test_support.h"
#include "zeb_images.h"
#include "zebfile/zebfile.h"

namespace {
bool failNextNothrowNew = false;
}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failNextNothrowNew) {
        failNextNothrowNew = false;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace zer2ivi {
namespace {

TEST(ZebOpenMemory, NoMemoryForTheHandle) {
    Reset_Library_State();
    testing::TempDir dir;
    const std::string path = dir.file("obs.zeb");
    testing::Write_File(path, testing::Header_Image(12) + testing::Epoch_Image(1));
    failNextNothrowNew = true;
    EXPECT_EQ(Zeb_Open(path.c_str(), 256), nullptr);
    EXPECT_FALSE(failNextNothrowNew);
    EXPECT_STREQ(library.LastErrorText, "Error: Not enough memory in header");

    ZebFile* file = Zeb_Open(path.c_str(), 256);  // the next one succeeds
    ASSERT_NE(file, nullptr);
    Zeb_Close(file);
}

TEST(ZebOpenMemory, NullPathIsTakenAsEmpty) {
    Reset_Library_State();
    EXPECT_EQ(Zeb_Open(nullptr, 256), nullptr);
    EXPECT_STREQ(library.LastErrorText, "Error: File  not found");
}

}  // namespace
}  // namespace zer2ivi

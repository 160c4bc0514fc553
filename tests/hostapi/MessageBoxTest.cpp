#include "hostapi/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Notifications, PrintAsCaptionAndTextOnStandardErrorUnlessAPresenterShowsThem) {
    clearShownNotifications();
    ::testing::internal::CaptureStderr();
    MessageBoxA(0, "Unknown unwrap type", "Notification", MB_ICONINFORMATION);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Notification: Unknown unwrap type\n");
    std::vector<std::string> presented;
    setMessageBoxPresenter([&](const Notification& box) { presented.push_back(box.caption + "|" + box.text); });
    ::testing::internal::CaptureStderr();
    MessageBoxA(0, "Cannot collect adjacency data for mesh.", "Notification", MB_OK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    setMessageBoxPresenter(nullptr);
    EXPECT_EQ(presented, (std::vector<std::string>{"Notification|Cannot collect adjacency data for mesh."}));
    EXPECT_EQ(shownNotifications().size(), 2u);
}

} // namespace

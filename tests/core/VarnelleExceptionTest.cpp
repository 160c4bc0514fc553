#include "core/VarnelleException.h"
#include "hostapi/MessageBox.h"

#include <gtest/gtest.h>

#include <exception>
#include <type_traits>

namespace {

static_assert(!std::is_base_of_v<std::exception, VarnelleException>, "a handler must name the exception");

VarnelleException caught(const ErrorSite& site) {
    try {
        raiseError(site);
    } catch (const VarnelleException& exception) {
        return exception;
    }
    return {};
}

TEST(VarnelleException, CarriesMessageSourceAndLineThroughCopies) {
    const VarnelleException unknown = caught(ErrorSites::UnknownUnwrapType);
    EXPECT_EQ(unknown.message, "Unknown unwrap type");
    EXPECT_STREQ(unknown.file, "varnelle");
    EXPECT_EQ(unknown.line, 334);

    std::string message = "a message that goes away";
    VarnelleException copy;
    try {
        raiseError(message.c_str(), "ProjectionUnwrap", 155);
    } catch (const VarnelleException& exception) {
        copy = exception;
    }
    message.assign(message.size(), 'x');
    EXPECT_EQ(copy.message, "a message that goes away") << "the message is owned by the exception";
    EXPECT_EQ(copy.line, 155);

    EXPECT_EQ(caught(ErrorSites::NothingToProjectPerspective).line, 120);
    EXPECT_EQ(caught(ErrorSites::NothingToProjectOrthographic).line, 155);
    EXPECT_STREQ(caught(ErrorSites::PackingImpossible).file, "UVAtlasProxy");
}

TEST(VarnelleException, EveryNotificationShowsOneInformationBoxWithTheWholeMessage) {
    clearShownNotifications();
    const VarnelleException packing = caught(ErrorSites::PackingImpossible);
    notifyUser(packing, 42);
    notifyUser(caught(ErrorSites::UnwrapImpossible), 0);
    const std::vector<Notification> shown = shownNotifications();
    ASSERT_EQ(shown.size(), 2u) << "one box per failure, nothing remembered between them";
    EXPECT_EQ(shown[0].owner, 42u);
    EXPECT_EQ(shown[0].caption, "Notification");
    EXPECT_EQ(shown[0].type, 0x40u);
    EXPECT_EQ(shown[0].text,
              "Packing was not possible due to an encountered error. Most likely the settings for width, height and "
              "padding do not provide enough space to place all UV charts");
    EXPECT_EQ(shown[1].text, "Unwrapping not possible. Try increasing the allowed stretch or the texture size.");
    clearShownNotifications();
}

} // namespace

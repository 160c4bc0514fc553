#include "core/UnwrapSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(UnwrapSettings, NormalisationClampsEveryBoundedField) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.tex_width = 0;
    settings.tex_height = 10000;
    settings.padding = -1.0;
    settings.stretch = 1.5;
    settings.groove_angle = 200.0;
    settings.ridge_angle = std::numeric_limits<double>::quiet_NaN();
    settings.charts = -3;
    settings.epsilon = 0.0;
    settings.unwrap_type = 4;
    settings.normalize();
    EXPECT_EQ(settings.tex_width, 8);
    EXPECT_EQ(settings.tex_height, 8192);
    EXPECT_EQ(settings.padding, 0.0);
    EXPECT_EQ(settings.stretch, 1.0);
    EXPECT_EQ(settings.groove_angle, 180.0);
    EXPECT_EQ(settings.ridge_angle, 0.0); // NaN becomes the lower bound
    EXPECT_EQ(settings.charts, 0);
    EXPECT_EQ(settings.epsilon, 0.001);
    EXPECT_EQ(settings.unwrap_type, 4); // refused later by the driver, not here

    UnwrapSettings inside = UnwrapSettings::commandDefaults();
    inside.tex_width = 9;
    inside.padding = 40.0;
    inside.stretch = std::numeric_limits<double>::quiet_NaN();
    inside.normalize();
    EXPECT_EQ(inside.tex_width, 9);
    EXPECT_EQ(inside.padding, 32.0);
    EXPECT_EQ(inside.stretch, 0.0);
}

TEST(UnwrapSettings, TileModeFollowsTheTileCounts) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.tile_mode = 1;
    settings.normalize();
    EXPECT_EQ(settings.tile_mode, 0);
    EXPECT_EQ(settings.previewTileCount(), 1);

    settings.tile_numx = 3;
    settings.normalize();
    EXPECT_EQ(settings.tile_mode, 1);
    EXPECT_EQ(settings.previewTileCount(), 3);
    EXPECT_EQ(settings.tile_numx, 3);
}

TEST(UnwrapSettings, ExistingUVsAlwaysKeepSeams) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    EXPECT_FALSE(settings.keepsSeams());
    settings.unwrap_type = ExistingUVs;
    EXPECT_TRUE(settings.keepsSeams());
}

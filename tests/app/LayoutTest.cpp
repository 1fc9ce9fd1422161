// The layout's rule on its own: the default places, where a larger window's extra room goes, and
// what never happens at any size (overlaps, controls outside the window, pictures that are not
// square or larger than their textures).
#include "app/Layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace quillon;

namespace {

// The controls that must not overlap one another (labels reach into the control below them by
// design, so they are left out), by name.
std::vector<std::pair<std::string, QRect>> Solid(const ControlPlaces& p) {
    QRect setSelector = p.SetSelector, typeSelector = p.TypeSelector;
    setSelector.setHeight(22); // a selector's own height; the rest is its drop-down list
    typeSelector.setHeight(22);
    return {{"set", setSelector},
            {"type", typeSelector},
            {"destinations", p.DestinationList},
            {"source tree", p.SourceTree.adjusted(0, 0, 0, -6)}, // the option's top lies under it
            {"option", p.UseInstalledCheck},
            {"library", p.LibraryTree},
            {"source picture", p.SourcePicture},
            {"mod picture", p.ModPicture},
            {"final picture", p.FinalPicture},
            {"preview", p.PreviewButton},
            {"blend", p.BlendButton},
            {"status", p.StatusBar}};
}

} // namespace

TEST(Layout, TheDefaultSizeKeepsTheOriginalPlaces) {
    const ControlPlaces p = PlaceControls({DefaultClientWidth, DefaultClientHeight}, 0);
    const auto solid = Solid(p), expected = Solid(DefaultPlaces);
    for (std::size_t i = 0; i < solid.size(); ++i) {
        EXPECT_EQ(solid[i].second, expected[i].second) << solid[i].first;
    }
    EXPECT_EQ(p.SourcePicture, QRect(570, 25, 128, 128));
    EXPECT_EQ(p.BlendButton, QRect(570, 510, 128, 50));
    EXPECT_EQ(p.StatusBar, QRect(0, 595, 714, 17));
    // Large textures change nothing without room to show them.
    EXPECT_EQ(PlaceControls({DefaultClientWidth, DefaultClientHeight}, 4098).FinalPicture,
              DefaultPlaces.FinalPicture);
}

TEST(Layout, AtEverySizeNothingOverlapsOrLeavesTheWindow) {
    const QSize sizes[] = {{714, 612},   {614, 612},  {300, 200}, {1200, 850},
                           {2560, 1400}, {714, 2000}, {3000, 612}};
    for (const QSize size : sizes) {
        for (const int limit : {0, 66, 258, 1026, 8194}) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                         " limit " + std::to_string(limit));
            const ControlPlaces p = PlaceControls(size, limit);
            const QRect window(QPoint(0, 0), size.expandedTo(MinimumClientSize()));
            const auto solid = Solid(p);
            for (std::size_t i = 0; i < solid.size(); ++i) {
                EXPECT_TRUE(window.contains(solid[i].second)) << solid[i].first;
                for (std::size_t j = i + 1; j < solid.size(); ++j) {
                    EXPECT_FALSE(solid[i].second.intersects(solid[j].second))
                        << solid[i].first << " and " << solid[j].first;
                }
            }
            for (const QRect& picture : {p.SourcePicture, p.ModPicture, p.FinalPicture}) {
                EXPECT_EQ(picture.width(), picture.height());
                EXPECT_EQ(picture.size(), p.SourcePicture.size());
                EXPECT_GE(picture.width(), DefaultPictureEdge);
                EXPECT_LE(picture.width(), std::max(limit, DefaultPictureEdge));
            }
            EXPECT_GE(p.LibraryTree.width(), 200);
        }
    }
}

TEST(Layout, ExtraHeightGoesToTheTreesAndThePicturesGrowIntoTheRoomLeft) {
    // 300 pixels taller and 400 wider: each picture may grow by a third of the height.
    const ControlPlaces p = PlaceControls({1114, 912}, 100000);
    EXPECT_EQ(p.LibraryTree.height(), 550 + 300);
    EXPECT_EQ(p.DestinationList.height() + p.SourceTree.height(), 240 + 230 + 300);
    EXPECT_EQ(p.SourcePicture.width(), 128 + 100);
    EXPECT_EQ(PictureRoom({1114, 912}), 228);
    EXPECT_EQ(p.BlendButton.bottom(), 911 - 17 - 35) << "the column keeps its bottom margin";
    EXPECT_EQ(p.LibraryTree.right() + 21, p.SourcePicture.left());
    EXPECT_EQ(p.SourcePicture.right(), 1114 - 17);
    // A texture smaller than the room: the pictures stop at it, the library tree takes the rest.
    const ControlPlaces small = PlaceControls({1114, 912}, 160);
    EXPECT_EQ(small.ModPicture.size(), QSize(160, 160));
    EXPECT_EQ(small.LibraryTree.width(), 300 + 400 - 32);
    // Narrower than the default: only the library tree gives way.
    const ControlPlaces narrow = PlaceControls(MinimumClientSize(), 0);
    EXPECT_EQ(narrow.LibraryTree.width(), 200);
    EXPECT_EQ(narrow.SourceTree, DefaultPlaces.SourceTree);
    EXPECT_EQ(MinimumClientSize(), QSize(614, 612));
}

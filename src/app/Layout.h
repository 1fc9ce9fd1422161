// Where the main window's controls lie: one table of places at the default client size (the
// window as it first opens, 714 x 612 below the menu), and the one rule by which a larger window
// moves and grows them: the extra height goes to the trees, and the three pictures grow square
// into what is left, no larger than the textures they show. Client pixels throughout.
#pragma once

#include <QRect>
#include <QSize>

namespace quillon {

constexpr int DefaultClientWidth = 714;
constexpr int DefaultClientHeight = 612;
constexpr int DefaultPictureEdge = 128; // a picture with its sunken edge

struct ControlPlaces {
    QRect SetLabel, SetSelector, TypeLabel, TypeSelector, DestinationList, UseInstalledCheck,
        SourceLabel, SourceTree, LibraryLabel, LibraryTree, SourceCaption, SourcePicture,
        ModCaption, ModPicture, FinalCaption, FinalPicture, PreviewButton, BlendButton, StatusBar;
};

// The places at the default client size. A selector's height is its drop-down list's extent;
// the selector itself takes the toolkit's height. Labels of height 30 reach into the control
// below them, their text at the top.
inline constexpr ControlPlaces DefaultPlaces{
    .SetLabel{10, 13, 40, 30},
    .SetSelector{50, 10, 180, 500},
    .TypeLabel{10, 43, 40, 30},
    .TypeSelector{50, 40, 180, 500},
    .DestinationList{10, 70, 220, 240},
    .UseInstalledCheck{15, 555, 220, 30},
    .SourceLabel{10, 315, 220, 30},
    .SourceTree{10, 330, 220, 230},
    .LibraryLabel{250, 10, 200, 30},
    .LibraryTree{250, 30, 300, 550},
    .SourceCaption{570, 10, 200, 30},
    .SourcePicture{570, 25, DefaultPictureEdge, DefaultPictureEdge},
    .ModCaption{570, 160, 200, 30},
    .ModPicture{570, 175, DefaultPictureEdge, DefaultPictureEdge},
    .FinalCaption{570, 310, 200, 30},
    .FinalPicture{570, 325, DefaultPictureEdge, DefaultPictureEdge},
    .PreviewButton{570, 460, 128, 25},
    .BlendButton{570, 510, 128, 50},
    .StatusBar{0, 595, DefaultClientWidth, 17},
};

// The smallest client area that cuts nothing off: the default height (the pictures' column
// needs it), and the library tree no narrower than 200.
QSize MinimumClientSize();

// The largest picture edge a client area of `size` has room for.
int PictureRoom(QSize size);

// The places in a client area of `size` (taken as at least the minimum) whose pictures show
// textures of at most `pictureLimit` pixels with their edge: the pictures never shrink below
// the default and never grow past that limit or their room.
ControlPlaces PlaceControls(QSize size, int pictureLimit);

// Where a caption whose text is `textWidth` pixels wide goes in a client area `clientWidth`
// wide: at its place while the text fits there, otherwise moved left into the gutter beside the
// library tree, as far as it needs and never onto the tree. A destination's name ("Destination
// Preview: female") is then read whole where the narrow column alone would cut it short.
QRect FitCaption(QRect caption, int textWidth, int clientWidth, const QRect& libraryTree);

} // namespace quillon

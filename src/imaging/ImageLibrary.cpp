#include "imaging/ImageLibrary.h"

#include <IL/ilu.h>

namespace {

struct OwnStates {
    bool Initialised = false;
    bool NoStripPremultAlpha = false;
    bool MatteDefault = false;
    bool MatteBlack = false;
    bool LastMatteBlack = false;
    std::uint32_t MatteColour = 0xF0F0F0;
};

OwnStates& States() {
    static OwnStates states;
    return states;
}

} // namespace

void InitialiseImageLibrary() {
    if (States().Initialised) {
        return;
    }
    ilInit();
    iluInit();
    States().Initialised = true;
}

ILuint CreateImage() {
    while (ilGetError() != IL_NO_ERROR) {
    }
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    return ilGetError() == IL_NO_ERROR ? name : 0;
}

void EnableState(ILenum state) {
    OwnStates& states = States();
    switch (state) {
    case STATE_NO_STRIP_PREMULT_ALPHA:
        states.NoStripPremultAlpha = true;
        break;
    case STATE_MATTE_DEFAULT:
        states.MatteDefault = true;
        states.LastMatteBlack = false;
        break;
    case STATE_MATTE_BLACK:
        states.MatteBlack = true;
        states.LastMatteBlack = true;
        break;
    default:
        ilEnable(state);
    }
}

bool IsStateEnabled(ILenum state) {
    const OwnStates& states = States();
    switch (state) {
    case STATE_NO_STRIP_PREMULT_ALPHA:
        return states.NoStripPremultAlpha;
    case STATE_MATTE_DEFAULT:
        return states.MatteDefault;
    case STATE_MATTE_BLACK:
        return states.MatteBlack;
    default:
        return ilIsEnabled(state) == IL_TRUE;
    }
}

bool MatteIsBlack() {
    return States().LastMatteBlack;
}

void SetDefaultMatteColour(std::uint32_t rgb) {
    States().MatteColour = rgb & 0xFFFFFF;
}

std::uint32_t DefaultMatteColour() {
    return States().MatteColour;
}

// The two songs built into the keyboard, written as scores: "小星星" (Twinkle, Twinkle, Little
// Star, resource MIDI_XXX) and "小燕子" (Little Swallow, resource MIDI_XYZ). Pure; any thread.
#pragma once

#include <string>

#include "tools/songs/Score.h"

TSongScore TwinkleScore();
TSongScore SwallowScore();

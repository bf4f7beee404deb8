// Every test of the controls runs with the face substitutions the program installs at start-up.
#include "controls/FontSubstitution.h"
#include <gtest/gtest.h>

namespace {
class FontEnvironment : public ::testing::Environment {
public:
    void SetUp() override { installFontSubstitutions(); }
};
const auto* const kFontEnvironment = ::testing::AddGlobalTestEnvironment(new FontEnvironment);
} // namespace

// The main window's key table: virtual keys need exactly their modifiers, characters match
// whatever key types them unless Ctrl or Alt is held.

#include "res/Accelerators.h"
#include "app/Commands.h"
#include "app/Messages.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

namespace {

using res::Accelerator;

int Translate(unsigned virtualKey, char16_t character, unsigned modifiers = 0)
{
    return res::TranslateAccelerator(res::LoadAccelerators(res::kAcceleratorsMain), virtualKey, character,
                                     modifiers);
}

TEST(AcceleratorsTest, ArrowKeysMeanOneCommandForEachSetOfModifiers)
{
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0), ID_FAST_FORWARD);
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0, Accelerator::kShift), ID_SLOW_FORWARD);
    EXPECT_EQ(Translate(platform::VK_LEFT, 0, Accelerator::kShift), ID_SLOW_BACKWARD);
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0, Accelerator::kControl | Accelerator::kShift),
              ID_NEXT_SUBPICTURE);
    EXPECT_EQ(Translate(platform::VK_LEFT, 0, Accelerator::kControl | Accelerator::kShift),
              ID_PREVIOUS_SUBPICTURE);
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0, Accelerator::kAlt), ID_NEXT_AUDIO);
    EXPECT_EQ(Translate(platform::VK_LEFT, 0, Accelerator::kAlt), ID_PREVIOUS_AUDIO);
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0, Accelerator::kControl), ID_NEXT_ANGLE);
    EXPECT_EQ(Translate(platform::VK_LEFT, 0, Accelerator::kControl), ID_PREVIOUS_ANGLE);
    // No entry for these combinations: nothing happens rather than the plain arrow's command.
    EXPECT_EQ(Translate(platform::VK_RIGHT, 0, Accelerator::kControl | Accelerator::kAlt), 0);
    EXPECT_EQ(Translate(platform::VK_UP, 0, Accelerator::kShift), 0);
    EXPECT_EQ(Translate(platform::VK_UP, 0), ID_UP);
    EXPECT_EQ(Translate(platform::VK_DOWN, 0), ID_DOWN);
    EXPECT_EQ(Translate(platform::VK_RETURN, 0), ID_ENTER);
}

TEST(AcceleratorsTest, CharactersMatchWithShiftButNotWithCtrlOrAlt)
{
    EXPECT_EQ(Translate('4', u'4'), ID_PLAY);
    EXPECT_EQ(Translate('1', u'1'), ID_APP_EXIT);
    // '*' is Shift+8 on most layouts.
    EXPECT_EQ(Translate('8', u'*', Accelerator::kShift), ID_DVD_CHAPTER_MENU);
    EXPECT_EQ(Translate(0, u'/'), ID_DVD_ROOT_MENU);
    EXPECT_EQ(Translate(0, u'-'), ID_PLAYLIST);
    EXPECT_EQ(Translate('4', u'4', Accelerator::kControl), 0);
    EXPECT_EQ(Translate('1', u'1', Accelerator::kAlt), 0);
    EXPECT_EQ(Translate('T', u't'), ID_DVD_TITLE_MENU);
    EXPECT_EQ(Translate('T', u'T', Accelerator::kShift), ID_DVD_TITLE_MENU);
    EXPECT_EQ(Translate('8', u'8'), 0);
}

TEST(AcceleratorsTest, VolumeKeysAreKeysNotCharacters)
{
    EXPECT_EQ(Translate('Z', u'z'), ID_VOLUME_UP);
    EXPECT_EQ(Translate('X', u'x'), ID_VOLUME_DOWN);
    EXPECT_EQ(Translate('Z', u'Z', Accelerator::kShift), 0);
    EXPECT_EQ(Translate(0, u'z'), 0) << "a 'z' typed by another key";
    EXPECT_EQ(Translate(platform::VK_DELETE, 0), ID_EJECT);
    EXPECT_EQ(Translate(platform::VK_INSERT, 0), ID_OPEN);
    EXPECT_EQ(res::LoadAccelerators(1).size(), 0u);
}

TEST(AcceleratorsTest, KeysPassedOnAsVirtualKeysTypeTheirCharacters)
{
    EXPECT_EQ(platform::CharacterOfVirtualKey('4', false), u'4');
    EXPECT_EQ(platform::CharacterOfVirtualKey('4', true), 0);
    EXPECT_EQ(platform::CharacterOfVirtualKey('T', false), u't');
    EXPECT_EQ(platform::CharacterOfVirtualKey('T', true), u'T');
    EXPECT_EQ(platform::CharacterOfVirtualKey(0x65, false), u'5') << "keypad 5";
    EXPECT_EQ(platform::CharacterOfVirtualKey(platform::VirtualKeyFromQt(Qt::Key_Asterisk), true), u'*');
    EXPECT_EQ(platform::CharacterOfVirtualKey(platform::VirtualKeyFromQt(Qt::Key_Slash), false), u'/');
    EXPECT_EQ(platform::CharacterOfVirtualKey(platform::VK_LEFT, false), 0);
}

} // namespace

#include "VirtualKeys.h"

#include <Qt>

namespace platform {

unsigned VirtualKeyFromQt(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<unsigned>(key); // the same codes as their characters
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + static_cast<unsigned>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Tab:
        return 0x09;
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Minus:
        return 0xBD; // VK_OEM_MINUS
    case Qt::Key_Slash:
        return 0xBF; // VK_OEM_2
    case Qt::Key_Asterisk:
        return 0x6A; // VK_MULTIPLY
    default:
        return 0;
    }
}

char16_t CharacterOfVirtualKey(unsigned key, bool shift)
{
    if (key >= '0' && key <= '9')
        return shift ? 0 : static_cast<char16_t>(key);
    if (key >= 'A' && key <= 'Z')
        return static_cast<char16_t>(shift ? key : key - 'A' + 'a');
    if (key >= 0x60 && key <= 0x69) // the keypad's digits
        return static_cast<char16_t>('0' + key - 0x60);
    switch (key) {
    case VK_SPACE:
        return u' ';
    case 0x6A: // VK_MULTIPLY
        return u'*';
    case 0x6B: // VK_ADD
        return u'+';
    case 0x6D: // VK_SUBTRACT
        return u'-';
    case 0x6F: // VK_DIVIDE
        return u'/';
    case 0xBD: // VK_OEM_MINUS
        return shift ? u'_' : u'-';
    case 0xBF: // VK_OEM_2
        return shift ? u'?' : u'/';
    default:
        return 0;
    }
}

} // namespace platform

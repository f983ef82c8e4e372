#include "messages/message_table.h"

#include <algorithm>
#include <iterator>

namespace messages {
namespace {

using C = MessageClass;
using L = LineRule;
using A = ArgRule;
using T = Text;

constexpr MessageInfo kMessages[] = {
    {50, C::Error, L::Current, A::None, {210, 0}, T::Error50, false},
    {51, C::Error, L::Tag, A::Value, {0, 0}, T::Error51, false},
    {52, C::Error, L::Current, A::None, {0, 0}, T::Error52, false},
    {53, C::Error, L::Current, A::None, {0, 0}, T::Error53, false},
    {54, C::Error, L::Current, A::None, {0, 0}, T::Error54, false},
    {55, C::Error, L::Tag, A::Text1, {0, 0}, T::Error55, false},
    {56, C::Error, L::Tag, A::None, {0, 0}, T::Error56, false},
    {57, C::Error, L::Tag, A::None, {0, 0}, T::Error57, false},
    {58, C::Error, L::Tag, A::None, {0, 0}, T::Error58, false},
    {59, C::Error, L::Tag, A::Text1, {0, 0}, T::Error59, false},
    {60, C::Error, L::Tag, A::Text1, {0, 0}, T::Error60, false},
    {61, C::Error, L::Tag, A::None, {202, 0}, T::Error61, false},
    {62, C::Error, L::Current, A::None, {201, 0}, T::Error62, false},
    {63, C::Error, L::Tag, A::None, {0, 0}, T::Error63, false},
    {64, C::Error, L::Tag, A::ValueMinus1, {0, 0}, T::Error64, false},
    {65, C::Error, L::Tag, A::Text1, {0, 0}, T::Error65, false},
    {66, C::Error, L::Tag, A::Text1, {0, 0}, T::Error66, false},
    {67, C::Error, L::Tag, A::Text1Text2, {0, 0}, T::Error67, false},
    {68, C::Error, L::Current, A::None, {0, 0}, T::Error68, false},
    {69, C::Error, L::Given, A::Text1, {0, 0}, T::Error69, false},
    {71, C::Error, L::Tag, A::None, {221, 0}, T::Error71, false},
    {72, C::Error, L::Tag, A::Text1, {0, 0}, T::Error72, false},
    {73, C::Error, L::Tag, A::Text1, {0, 0}, T::Error73, false},
    {74, C::Error, L::Tag, A::Text1Text2Value, {200, 0}, T::Error74, false},
    {75, C::Error, L::Tag, A::Text1, {0, 0}, T::Error75, false},
    {76, C::Error, L::Tag, A::None, {221, 0}, T::Error76, false},
    {77, C::Error, L::Tag, A::Text1, {0, 0}, T::Error77, false},
    {78, C::Error, L::Tag, A::Text1Text1, {0, 0}, T::Error78, false},
    {79, C::Error, L::Tag, A::Text1Text2, {0, 0}, T::Error79, false},
    {80, C::Error, L::Tag, A::Text1, {0, 0}, T::Error80, false},
    {81, C::Error, L::Tag, A::Text1, {0, 0}, T::Error81, false},
    {82, C::Error, L::Tag, A::Text1Text2, {218, 0}, T::Error82, false},
    {83, C::Error, L::Tag, A::Text1Text2, {218, 0}, T::Error83, false},
    {84, C::Error, L::Tag, A::Text1, {0, 0}, T::Error84, false},
    {85, C::Error, L::Tag, A::Text1Whole, {0, 0}, T::Count, false},
    {86, C::Error, L::Tag, A::Text1Whole, {0, 0}, T::Count, false},
    {87, C::Error, L::Tag, A::None, {203, 0}, T::Error87, false},
    {88, C::Error, L::Tag, A::None, {0, 0}, T::Error88, false},
    {89, C::Error, L::Tag, A::Text2, {0, 0}, T::Error89, false},
    {90, C::Error, L::Current, A::None, {211, 0}, T::Error90, false},
    {91, C::Error, L::Current, A::Text1Value, {0, 0}, T::Error91, false},
    {92, C::Error, L::Current, A::None, {205, 0}, T::Error92, false},
    {93, C::Error, L::Given, A::None, {206, 0}, T::Error93, false},
    {94, C::Error, L::Current, A::None, {209, 0}, T::Error94, false},
    {95, C::Error, L::Current, A::None, {207, 0}, T::Error95, false},
    {96, C::Error, L::Current, A::Text1, {0, 0}, T::Error96, false},
    {97, C::Error, L::Current, A::Text1, {0, 0}, T::Error97, false},
    {98, C::Error, L::Tag, A::None, {0, 0}, T::Error98, false},
    {100, C::Warning, L::Tag, A::Text1, {0, 0}, T::Warning100, true},
    {101, C::Warning, L::Tag, A::Text1, {0, 0}, T::Warning101, true},
    {102, C::Warning, L::Current, A::None, {208, 0}, T::Warning102, false},
    {103, C::Warning, L::Tag, A::Text1ValueText2, {0, 0}, T::Warning103, false},
    {104, C::Warning, L::Current, A::None, {208, 0}, T::Warning104, false},
    {105, C::Warning, L::Tag, A::Text1, {0, 0}, T::Warning105, true},
    {106, C::Warning, L::Current, A::Text1, {0, 0}, T::Warning106, true},
    {107, C::Warning, L::Tag, A::Text1Text2, {215, 0}, T::Warning107, false},
    {108, C::Warning, L::Current, A::Text1, {0, 0}, T::Warning108, false},
    {200, C::Comment, L::None, A::None, {0, 0}, T::Comment200, false},
    {201, C::Comment, L::None, A::None, {0, 0}, T::Comment201, false},
    {202, C::Comment, L::None, A::None, {0, 0}, T::Comment202, false},
    {203, C::Comment, L::None, A::None, {0, 0}, T::Comment203, false},
    {205, C::Comment, L::None, A::None, {0, 0}, T::Comment205, false},
    {206, C::Comment, L::None, A::None, {0, 0}, T::Comment206, false},
    {207, C::Comment, L::None, A::None, {0, 0}, T::Comment207, false},
    {208, C::Comment, L::None, A::None, {0, 0}, T::Comment208, false},
    {209, C::Comment, L::None, A::None, {0, 0}, T::Comment209, false},
    {210, C::Comment, L::None, A::None, {0, 0}, T::Comment210, false},
    {211, C::Comment, L::None, A::None, {0, 0}, T::Comment211, false},
    {212, C::Comment, L::None, A::None, {0, 0}, T::Comment212, false},
    {213, C::Comment, L::None, A::None, {0, 0}, T::Comment213, false},
    {214, C::Comment, L::None, A::None, {0, 0}, T::Comment214, false},
    {215, C::Comment, L::None, A::None, {0, 0}, T::Comment215, false},
    {216, C::Comment, L::None, A::Text1Text1, {0, 0}, T::Comment216, false},
    {218, C::Comment, L::None, A::None, {0, 0}, T::Comment218, false},
    {219, C::Comment, L::None, A::None, {0, 0}, T::Comment219, false},
    {220, C::Comment, L::None, A::None, {0, 0}, T::Comment220, false},
    {221, C::Comment, L::None, A::None, {0, 0}, T::Comment221, false},
    {222, C::Comment, L::None, A::None, {0, 0}, T::Comment222, false},
    {224, C::Comment, L::None, A::None, {0, 0}, T::Comment224, false},
    {300, C::Error, L::Tag, A::Text1Text2, {218, 219}, T::Error300, false},
    {301, C::Error, L::Tag, A::Text1Text2, {218, 219}, T::Error301, false},
    {302, C::Error, L::Tag, A::Text1Text2, {218, 0}, T::Error302, false},
    {303, C::Error, L::Current, A::Text1Text2, {0, 0}, T::Error303, false},
    {304, C::Error, L::Tag, A::None, {0, 0}, T::Error304, false},
    {305, C::Error, L::Tag, A::Text1Value, {0, 0}, T::Error305, false},
    {306, C::Error, L::Tag, A::Text1, {0, 0}, T::Error306, false},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const MessageInfo& a, const MessageInfo& b) {
                                 return a.number < b.number;
                             }));

}  // namespace

std::span<const MessageInfo> allMessages() { return kMessages; }

const MessageInfo* findMessage(int number) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), number,
                               [](const MessageInfo& info, int n) { return info.number < n; });
    if (it == std::end(kMessages) || it->number != number) return nullptr;
    return &*it;
}

}  // namespace messages

// The time and the date spoken from recorded fragments: numbers through the spoken numbers,
// the words hour, minute, "de", "e", weekdays and months through recorded messages.
#pragma once
#include <cstdint>

// The console clock's hour and minute, or its date.
void SpeakTime();
void SpeakDate();

// Hour in the feminine (uma hora, duas horas), then _hora or _horas; minutes only when not 0.
void SpeakTimeParts(std::uint16_t hour, std::uint16_t minute);
// Weekday, day (_primeir for the 1st), "de", month, "de", year: 2000 to 2099 as dois mil
// (e and the last two digits), earlier years by their last two digits, any other year whole.
// A month outside 1-12 has no recording and is left out.
void SpeakDateParts(std::uint16_t day, std::uint16_t month, std::uint16_t year);

// 0 Sunday to 6 Saturday, in the Gregorian calendar carried back before its adoption; a day or
// month past the end of its period counts on into the next.
int WeekdayOf(std::uint16_t day, std::uint16_t month, std::uint16_t year);

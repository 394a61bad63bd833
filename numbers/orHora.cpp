// Time and date from recorded fragments.
#include "numbers/orHora.h"

#include <string>

#include "console/OrCrt.h"
#include "numbers/orlenum.h"
#include "speech/ormensag.h"

namespace {

// Fragment names of the recordings, without the leading "_". Sunday first.
const char* const kWeekdays[] = {"Domingo", "Segunda", "Terca", "Quarta",
                                 "Quinta",  "Sexta",   "Sabado"};
const char* const kMonths[] = {"Janeiro", "Fevereiro", "Marco",    "Abril",
                               "Maio",    "Junho",     "Julho",    "Agosto",
                               "Setembro", "Outubro",  "Novembro", "Dezembro"};
constexpr std::size_t kMonthKeyLetters = 7;  // fragment names hold 8 characters, "_" included

void SpeakNumber(int value, bool feminine) { SpeakNumberWords(NumberToWords(value), feminine); }

// Days from 1 March of year 0 of the Gregorian calendar carried back, for month 1-12.
std::int64_t DaysFromCivil(std::int64_t year, int month, std::int64_t day) {
  if (month <= 2) --year;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

// Two-digit years were the custom before 2000 (noventa e nove); 2000 to 2099 are dois mil and
// the last two digits. A year that this reading would get wrong (2150, 1900) is said whole.
void SpeakYear(int year) {
  if (year >= 2000 && year < 2100) {
    SpeakNumber(2000, false);
    if (year > 2000) SpeakMessage("_e");
    if (year % 100 != 0) SpeakNumber(year % 100, false);
  } else if (year < 2000 && year % 100 != 0) {
    SpeakNumber(year % 100, false);
  } else {
    SpeakNumber(year, false);
  }
}

}  // namespace

int WeekdayOf(std::uint16_t day, std::uint16_t month, std::uint16_t year) {
  // Month 0 is the December before; 13 the January after.
  const std::int64_t months = std::int64_t{year} * 12 + month - 1;
  const std::int64_t y = months >= 0 ? months / 12 : (months - 11) / 12;
  const int m = static_cast<int>(months - y * 12) + 1;
  const std::int64_t days = DaysFromCivil(y, m, 1) + day - 1;
  // Day 0 of this count, 1 March of year 0, was a Wednesday.
  const std::int64_t weekday = (days + 3) % 7;
  return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

void SpeakTimeParts(std::uint16_t hour, std::uint16_t minute) {
  SpeakNumber(hour, true);
  SpeakMessage(hour < 2 ? "_hora" : "_horas");
  if (minute == 0) return;
  SpeakNumber(minute, false);
  SpeakMessage(minute < 2 ? "_minuto" : "_minutos");
}

void SpeakDateParts(std::uint16_t day, std::uint16_t month, std::uint16_t year) {
  SpeakMessage(std::string("_") + kWeekdays[WeekdayOf(day, month, year)]);
  if (day == 1)
    SpeakMessage("_primeir");
  else
    SpeakNumber(day, false);
  SpeakMessage("_de");
  if (month >= 1 && month <= 12)
    SpeakMessage("_" + std::string(kMonths[month - 1]).substr(0, kMonthKeyLetters));
  SpeakMessage("_de");
  SpeakYear(year);
}

void SpeakTime() {
  std::uint16_t hour = 0, minute = 0, second = 0, hundredths = 0;
  GetTimeParts(hour, minute, second, hundredths);
  SpeakTimeParts(hour, minute);
}

void SpeakDate() {
  std::uint16_t year = 0, month = 0, day = 0, weekday = 0;
  GetDateParts(year, month, day, weekday);
  SpeakDateParts(day, month, year);
}

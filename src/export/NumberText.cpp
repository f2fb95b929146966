#include "NumberText.h"

#include "InPlace.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane::exporter {

namespace {

// The eight decimal digits of `n` (below 10^8, leading zeros kept) as the values 0 to 9
// in the bytes of a word, in the order of the text: the word stored is the digits. The
// halves, quarters and digits are split in all lanes of the word at once, each division
// by 10^4, 100 or 10 a multiplication and a shift (exact for the lanes' ranges), so the
// work is the same whatever the number and there is no branch.
std::uint64_t digitBytes(std::uint32_t n)
{
    // Two lanes of 32 bits: the first four digits and the last four.
    const std::uint32_t high = n / 10'000;
    std::uint64_t v = high | (std::uint64_t{n - 10'000 * high} << 32);
    // Four lanes of 16 bits: x / 100 is (x * 10486) >> 20 for x below 10^4.
    const std::uint64_t hundreds = ((v * 10'486) >> 20) & 0x0000'007F'0000'007Full;
    v = hundreds | ((v - 100 * hundreds) << 16);
    // Eight lanes of 8 bits: x / 10 is (x * 103) >> 10 for x below 100.
    const std::uint64_t tens = ((v * 103) >> 10) & 0x000F'000F'000F'000Full;
    v = tens | ((v - 10 * tens) << 8);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int k = 0; k < 8; ++k, v >>= 8)
            swapped = (swapped << 8) | (v & 0xFF);
        v = swapped;
    }
    return v;
}

constexpr std::uint64_t kZeroBytes = 0x3030'3030'3030'3030ull; // '0' in every byte

// How many of the bytes of a digitBytes() word lead (come first in the text) and how many
// trail, zero digits all; the word is not zero.
int leadingZeroDigits(std::uint64_t digits)
{
    return (std::endian::native == std::endian::little ? std::countr_zero(digits) : std::countl_zero(digits)) / 8;
}
int trailingZeroDigits(std::uint64_t digits)
{
    return (std::endian::native == std::endian::little ? std::countl_zero(digits) : std::countr_zero(digits)) / 8;
}

// The word with its first `count` digits dropped: stored, it begins with the next one.
std::uint64_t dropLeading(std::uint64_t digits, int count)
{
    const int bits = 8 * count; // below 64
    return std::endian::native == std::endian::little ? digits >> bits : digits << bits;
}

// The decimal digits of `n` (below 10^8) at `d`, which has room for eight; returns the end.
char* writeShortDigits(char* d, std::uint32_t n)
{
    const std::uint64_t digits = digitBytes(n);
    const int leading = n == 0 ? 7 : leadingZeroDigits(digits);
    const std::uint64_t text = dropLeading(digits + kZeroBytes, leading);
    std::memcpy(d, &text, 8);
    return d + 8 - leading;
}

// Exactly eight digits, leading zeros kept.
char* writeEightDigits(char* d, std::uint32_t n)
{
    const std::uint64_t text = digitBytes(n) + kZeroBytes;
    std::memcpy(d, &text, 8);
    return d + 8;
}

// The decimal digits of `n` at `d`, which has room for them and for eight bytes at least;
// returns the end. A longer number is cut into runs of eight digits.
char* writeDigits(char* d, std::uint64_t n)
{
    constexpr std::uint64_t kTen8 = 100'000'000;
    if (n < kTen8)
        return writeShortDigits(d, static_cast<std::uint32_t>(n));
    const std::uint64_t upper = n / kTen8;
    const auto last = static_cast<std::uint32_t>(n % kTen8);
    if (upper < 100) {
        // Every 32-bit number: its first one or two digits from the table of pairs.
        const auto one = static_cast<std::size_t>(upper < 10);
        std::memcpy(d, &kDigitPairs[2 * upper + one], 2);
        d += 2 - one;
    } else if (upper < kTen8) {
        d = writeShortDigits(d, static_cast<std::uint32_t>(upper));
    } else {
        d = writeEightDigits(writeShortDigits(d, static_cast<std::uint32_t>(upper / kTen8)),
                             static_cast<std::uint32_t>(upper % kTen8));
    }
    return writeEightDigits(d, last);
}

// The magnitude of `value`, unsigned so that the most negative number has one too. The
// sign is as likely as not in many columns: worked out without a branch, as the minus
// sign written before the digits.
std::uint64_t magnitudeOf(std::int64_t value)
{
    const auto negative = static_cast<std::uint64_t>(value >> 63); // all ones or zero
    return (static_cast<std::uint64_t>(value) ^ negative) - negative;
}

// The decimal separator, mostly a single byte.
char* copySeparator(char* d, std::string_view separator)
{
    if (separator.size() == 1) {
        *d = separator[0];
        return d + 1;
    }
    std::memcpy(d, separator.data(), separator.size());
    return d + separator.size();
}

// Rounds a whole-number candidate, 0 <= x < 2^52, to the nearest integer, ties to even
// (as std::nearbyint in the default rounding mode): adding 2^52 leaves no bits for a
// fraction. Without this the rounding is a call into the math library per value.
double roundToWhole(double x)
{
    constexpr double kTwo52 = 4503599627370496.0;
    return (x + kTwo52) - kTwo52;
}

} // namespace

namespace {

// A number in scientific form split up: its significant digits (at most 17) and the
// power of ten of the first one.
struct Scientific {
    bool negative = false;
    char digits[48]; // the digits, and 16 bytes to spare for copies of a fixed size
    int count = 0;
    int exponent = 0;
};

// Reads what std::to_chars writes in scientific form: "-d.ddde+XX".
void parseScientific(const char* p, const char* end, Scientific& out)
{
    out.negative = *p == '-';
    if (out.negative)
        ++p;
    out.count = 0;
    while (p < end && *p != 'e') {
        if (*p != '.')
            out.digits[out.count++] = *p;
        ++p;
    }
    out.exponent = 0;
    if (p < end) {
        ++p; // 'e'
        std::from_chars(*p == '+' ? p + 1 : p, end, out.exponent);
    }
}

// Rounds the shortest digits of a double to `significantDigits`, which gives the
// digits correctly rounded from the exact binary value except where the dropped part
// lies so close to one half that the shortest form's own distance from the exact value
// (under half a unit in the last place) could tip it: then false, and the caller takes
// the exact, slower path. For a double that margin is under 0.12 of a unit in the 15th
// digit; for a Single's value (a double with 29 bits to spare) under 1e-9 of a unit in
// the 7th. Values are normal numbers here.
bool roundShortest(Scientific& s, int significantDigits, double margin)
{
    double dropped = 0.0;
    double unit = 0.1;
    for (int i = significantDigits; i < s.count; ++i, unit *= 0.1)
        dropped += (s.digits[i] - '0') * unit;
    if (std::fabs(dropped - 0.5) <= margin)
        return false;
    s.count = significantDigits;
    if (dropped > 0.5) {
        int i = significantDigits - 1;
        while (i >= 0 && s.digits[i] == '9')
            s.digits[i--] = '0';
        if (i >= 0) {
            ++s.digits[i];
        } else { // 9.99..9 became 10.00..0
            s.digits[0] = '1';
            ++s.exponent;
        }
    }
    return true;
}

} // namespace

namespace {

// Powers of ten from 10^-9 to 10^38, for the decimal exponent of a value; only those from
// 10^0 to 10^22 are exact, and only those are used as factors.
constexpr double kPowersOfTen[] = {
    1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
    1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26,
    1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38};
constexpr int kLowestPower = -9;

double powerOfTen(int n)
{
    return kPowersOfTen[n - kLowestPower];
}

// The power of ten of the first significant digit of a positive normal `v` from
// -9 to 37, or a number outside that range for other values. Near a power of ten it may
// be one off; the callers check what they make of it.
int decimalExponent(double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int binary = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    const int estimate = (binary * 1233) >> 12; // floor(binary * log10(2)), give or take one
    if (estimate < kLowestPower || estimate >= 38)
        return estimate;
    return v >= powerOfTen(estimate + 1) ? estimate + 1 : estimate;
}

// The rounding error of the product of `a` and `b` that came out as `product`: the exact
// product is product + error, both doubles (no overflow or underflow here). A fused
// multiply-add gives it in one step where the processor has one; otherwise Dekker's
// product, each factor split into halves whose products are exact (so a compiler that
// fuses them into multiply-adds changes nothing).
double productError(double a, double b, double product)
{
#if defined(FP_FAST_FMA)
    return std::fma(a, b, -product);
#else
    constexpr double kSplit = 134'217'729.0; // 2^27 + 1
    const double aScaled = kSplit * a;
    const double aHigh = aScaled - (aScaled - a);
    const double aLow = a - aHigh;
    const double bScaled = kSplit * b;
    const double bHigh = bScaled - (bScaled - b);
    const double bLow = b - bHigh;
    return ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
#endif
}

// `n`, a number of `length` digits (15 or 7) or 10^length (rounded up to that), as its
// digits, trailing zeros cut; `scale` is the power of ten its last digit stands for.
// Sets the count and the exponent of the first digit.
void setDigits(Scientific& s, std::uint64_t n, int length, int scale)
{
    if (n == (length == 15 ? 1'000'000'000'000'000ull : 10'000'000ull)) {
        n /= 10;
        ++scale;
    }
    int zeros = 0;
    if (length == 15) {
        // Seven digits, then eight; the first of the seven is a leading zero, dropped.
        const auto high = static_cast<std::uint32_t>(n / 100'000'000);
        const auto low = static_cast<std::uint32_t>(n % 100'000'000);
        const std::uint64_t highDigits = digitBytes(high);
        const std::uint64_t lowDigits = digitBytes(low);
        zeros = low != 0 ? trailingZeroDigits(lowDigits) : 8 + trailingZeroDigits(highDigits);
        const std::uint64_t first = dropLeading(highDigits + kZeroBytes, 1);
        const std::uint64_t last = lowDigits + kZeroBytes;
        std::memcpy(s.digits, &first, 8);
        std::memcpy(s.digits + 7, &last, 8);
    } else {
        const std::uint64_t digits = digitBytes(static_cast<std::uint32_t>(n));
        zeros = trailingZeroDigits(digits);
        const std::uint64_t text = dropLeading(digits + kZeroBytes, 1);
        std::memcpy(s.digits, &text, 8);
    }
    s.count = length - zeros;
    s.exponent = length - 1 + scale;
}

// The digits of a positive normal double as the text shows them, without searching for
// them, or false for the rare value this cannot settle (the caller then takes the long
// way). `v` scaled to 15 digits and rounded is N:
// - When N / 10^k reads back as `v`, N is the shortest form: decimals of up to 15 digits
//   are far enough apart that no two of them read as the same double. N and 10^k are
//   exact doubles and IEEE division (multiplication) rounds correctly, so the comparison
//   is exact.
// - Otherwise the shortest form is longer than 15 digits, and the text is the exact value
//   rounded to 15 digits: N, or its neighbour where the product's rounding error (known
//   exactly) carries the exact value across the half. A quotient's error is not: values
//   of 10^15 and above whose quotient lies too near a half take the long way.
bool doubleDigits(double v, Scientific& s)
{
    const int scale = decimalExponent(v) - 14; // the power of ten of the 15th digit
    if (scale < -22 || scale > 22)
        return false;
    const double scaled = scale <= 0 ? v * powerOfTen(-scale) : v / powerOfTen(scale);
    if (!(scaled >= 1e14 && scaled < 1e15))
        return false; // a power of ten that is not exact misled the exponent
    double n = roundToWhole(scaled);
    const double back = scale <= 0 ? n / powerOfTen(-scale) : n * powerOfTen(scale);
    if (back != v) {
        const double offset = scaled - n; // exact, within one half
        if (scale <= 0) {
            // The product's own rounding error, exactly: the exact value lies at offset +
            // error from N, and the sign of a sum of two doubles is exact, so which way it
            // rounds is known without a margin. An exact tie takes the long way.
            const double error = productError(v, powerOfTen(-scale), scaled);
            const double aboveHalf = (offset - 0.5) + error;
            const double belowHalf = (offset + 0.5) + error;
            if (aboveHalf == 0.0 || belowHalf == 0.0)
                return false;
            n += aboveHalf > 0.0 ? 1.0 : (belowHalf < 0.0 ? -1.0 : 0.0);
        } else if (std::fabs(std::fabs(offset) - 0.5) < 0.1) {
            return false;
        }
    }
    setDigits(s, static_cast<std::uint64_t>(n), 15, scale);
    return true;
}

// The same for a Single (the float `f`, positive and normal) and seven digits. Seven-digit
// decimals are not always further apart than floats, so up to two of them may read back
// as `f`: std::to_chars takes the one nearest to the exact value, or its neighbour when
// that is shorter. N and 10^k (k up to 10) are exact floats, and a float product or
// quotient computed in double and rounded to float is rounded correctly, so the check
// is exact here too. When no seven-digit decimal reads back the text is the exact value
// rounded, ties to even as std::to_chars does; the scaling is exact for k >= 0 (24 bits
// times at most 24). A power of two reads back from half as far below as above, so the
// nearest decimal may fail where another reads back: those take the long way.
bool singleDigits(float f, Scientific& s)
{
    const double v = f;
    const int scale = decimalExponent(v) - 6;
    if (scale < -10 || scale > 10)
        return false;
    const double scaled = scale <= 0 ? v * powerOfTen(-scale) : v / powerOfTen(scale);
    if (!(scaled >= 1e6 && scaled < 1e7))
        return false;
    const double n = roundToWhole(scaled);
    if (scale > 0 && std::fabs(std::fabs(scaled - n) - 0.5) < 1e-6)
        return false; // a tie, or so near one that the inexact quotient cannot tell
    // Where the scaling is exact (k >= 0) the reading back needs no division: N / 10^k
    // rounds to `f` when N lies within half a float step of f * 10^k (N - f * 10^k and
    // that bound are exact doubles), the step below a power of two being half as long,
    // and a tie going to the even float.
    const auto bits = std::bit_cast<std::uint32_t>(f);
    const int binary = static_cast<int>((bits >> 23) & 0xFF) - 127; // 2^binary <= f
    const double halfStep = std::bit_cast<double>(static_cast<std::uint64_t>(binary - 24 + 1023) << 52);
    const double above = scale <= 0 ? powerOfTen(-scale) * halfStep : 0.0;
    const double below = (bits & 0x7FFFFF) == 0 ? above * 0.5 : above;
    const bool even = (bits & 1) == 0;
    const auto readsBack = [&](double candidate) -> bool {
        if (scale > 0)
            return static_cast<float>(candidate * powerOfTen(scale)) == f;
        const double distance = candidate - scaled;
        const double bound = distance >= 0.0 ? above : below;
        const double length = std::fabs(distance);
        // Not short-circuited: whichever way it goes, no branch to guess.
        return (length < bound) | ((length == bound) & even);
    };
    double chosen = n;
    if (readsBack(n)) {
        const auto last = static_cast<std::uint32_t>(n) % 10;
        if (last == 9 && readsBack(n + 1))
            chosen = n + 1;
        else if (last == 1 && readsBack(n - 1))
            chosen = n - 1;
    } else if ((bits & 0x7FFFFF) == 0) {
        return false;
    }
    setDigits(s, static_cast<std::uint64_t>(chosen), 7, scale);
    return true;
}

// The digits and exponent the long way: std::to_chars, correctly rounded to the wanted
// number of significant digits. A Single is rounded as a float, so that 0.3f gives "0.3"
// and not its double expansion.
Q_NEVER_INLINE void roundedDigits(double value, int significantDigits, Scientific& sci)
{
    char buf[64];
    std::to_chars_result res;
    const bool asFloat = significantDigits <= 7 && std::fabs(value) <= 3.4028234663852886e38;
    // The shortest form that reads back is quick to find; when it has no more digits than
    // allowed it is also what rounding to that many digits gives (the value lies far
    // closer to it than half a step in the last allowed digit).
    if (asFloat)
        res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value), std::chars_format::scientific);
    else
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    parseScientific(buf, res.ptr, sci);
    // Subnormal numbers have too few bits for that argument: round them the long way.
    const double smallestNormal = asFloat ? 1.1754943508222875e-38 : 2.2250738585072014e-308;
    const bool normal = std::fabs(value) >= smallestNormal;
    if (sci.count > significantDigits || !normal) {
        bool rounded = false;
        if (normal && !asFloat) {
            rounded = roundShortest(sci, significantDigits, 0.125);
        } else if (normal) {
            // The float's exact value as a double, whose shortest form has digits enough.
            const double exact = static_cast<float>(value);
            res = std::to_chars(buf, buf + sizeof buf, exact, std::chars_format::scientific);
            parseScientific(buf, res.ptr, sci);
            rounded = sci.count <= significantDigits || roundShortest(sci, significantDigits, 1e-8);
        }
        if (!rounded) {
            if (asFloat)
                res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value), std::chars_format::scientific,
                                    significantDigits - 1);
            else
                res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                    significantDigits - 1);
            parseScientific(buf, res.ptr, sci);
        }
    }
    while (sci.count > 1 && sci.digits[sci.count - 1] == '0')
        --sci.count;
}

#if defined(__SIZEOF_INT128__)
using Bytes16 = unsigned __int128;

// 10^0 to 10^19, every power of ten a 64-bit number holds.
constexpr auto kWholePowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t p = 1;
    for (std::uint64_t& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

// The sixteen decimal digits of `n` (below 10^16, leading zeros kept) as the values 0 to
// 9 in the bytes of a 16-byte number, stored in the order of the text on a little-endian
// processor (the only one the quick paths serve): digitBytes() for both halves of eight
// digits, side by side in the lanes of one register where there is one. `significant`
// is set to the digits up to the last that is not a zero (n is not zero).
Bytes16 sixteenDigits(std::uint64_t n, int& significant)
{
    const std::uint64_t high = n / 100'000'000;
    const std::uint64_t low = n - 100'000'000 * high;
#if defined(__SSE2__)
    const __m128i x = _mm_set_epi64x(static_cast<long long>(low), static_cast<long long>(high));
    // Two lanes of 32 bits for each half: x / 10^4 is (x * 0xD1B71759) >> 45.
    const __m128i tenThousands =
        _mm_srli_epi64(_mm_mul_epu32(x, _mm_set1_epi32(static_cast<int>(0xD1B7'1759u))), 45);
    const __m128i fours = _mm_or_si128(
        tenThousands, _mm_slli_epi64(_mm_sub_epi32(x, _mm_mul_epu32(tenThousands, _mm_set1_epi32(10'000))), 32));
    // Two lanes of 16 bits for each: x / 100 is (x * 5243) >> 19 below 10^4.
    const __m128i hundreds = _mm_srli_epi16(_mm_mulhi_epu16(fours, _mm_set1_epi32(5'243)), 3);
    const __m128i pairs = _mm_or_si128(
        hundreds, _mm_slli_epi32(_mm_sub_epi16(fours, _mm_mullo_epi16(hundreds, _mm_set1_epi32(100))), 16));
    // Two lanes of 8 bits for each: x / 10 is (x * 6554) >> 16 below 100.
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6'554));
    const __m128i digits =
        _mm_or_si128(tens, _mm_slli_epi16(_mm_sub_epi16(pairs, _mm_mullo_epi16(tens, _mm_set1_epi16(10))), 8));
    const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(digits, _mm_setzero_si128())));
    significant = std::bit_width(~zeros & 0xFFFFu);
    const auto first = static_cast<std::uint64_t>(_mm_cvtsi128_si64(digits));
    const auto last = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(digits, digits)));
    return Bytes16(first) | (Bytes16(last) << 64);
#else
    const std::uint64_t first = digitBytes(static_cast<std::uint32_t>(high));
    const std::uint64_t last = digitBytes(static_cast<std::uint32_t>(low));
    significant = last != 0 ? 16 - trailingZeroDigits(last) : 8 - trailingZeroDigits(first);
    return Bytes16(first) | (Bytes16(last) << 64);
#endif
}

// The text of `count` digits (no trailing zero among them) for a number whose first
// digit stands for 10^exponent (from -4 to one below the digits' room), with the
// separator after the whole part, or as "0", the separator and the zeros before the
// digits. `text` holds the digits in the order of the text, then zeros. All of it is
// copied whatever its length, past the end of the text too (the room given has bytes
// to spare): whole numbers and fractions come mixed in many columns, and a branch on
// their length would be guessed wrong as often as not.
template <class Word>
char* placeDigits(char* d, Word text, int count, int exponent, char separator)
{
    if (exponent >= 0) {
        const int whole = exponent + 1;
        const Word fraction = text >> (8 * whole);
        std::memcpy(d, &text, sizeof text);
        d[whole] = separator;
        std::memcpy(d + whole + 1, &fraction, sizeof fraction);
        const int after = std::max(count - whole, 0);
        return d + whole + after + static_cast<int>(after != 0);
    }
    d[0] = '0';
    d[1] = separator;
    std::memcpy(d + 2, "0000", 4);
    d += 1 - exponent;
    std::memcpy(d, &text, sizeof text);
    return d + count;
}

// The text of a Double the quick way, for the values most columns hold (from 2^-11 to
// below 10^15, shown without an exponent) and a separator of one byte; null for any
// other value, which the general path then writes. The text is the exact value rounded
// to 15 digits (see doubleDigits() for why that is also the shortest form whenever the
// shortest has no more digits), worked out in whole numbers: with the value as m * 2^-e
// (m of 53 bits, e below 64) and its 15th digit standing for 10^-k, m * 10^k shifted
// down by e bits and rounded by the bits shifted out. An exact tie, and an exponent that
// missed (a power of ten below one is not exact as a double), take the general path.
char* writeDoubleQuickly(char* d, double value, char separator)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased < 1075 - 63 || biased > 1023 + 49) // outside 2^-11 .. 2^50: zero, Infinity, NaN too
        return nullptr;
    int exponent = decimalExponent(std::fabs(value));
    if (exponent < -4 || exponent > 14)
        return nullptr;
    const std::uint64_t m = (bits & 0x000F'FFFF'FFFF'FFFFull) | 0x0010'0000'0000'0000ull;
    const int e = 1075 - biased; // 3 .. 63
    const Bytes16 product = Bytes16(m) * kWholePowersOfTen[static_cast<std::size_t>(14 - exponent)];
    // e is below 64: the bits shifted out all lie in the product's low half.
    const auto low = static_cast<std::uint64_t>(product);
    const auto whole = static_cast<std::uint64_t>(product >> e);
    const std::uint64_t rest = low & ((std::uint64_t{1} << e) - 1);
    const std::uint64_t half = std::uint64_t{1} << (e - 1);
    if (rest == half || whole - 100'000'000'000'000ull >= 900'000'000'000'000ull)
        return nullptr;
    std::uint64_t n = whole + static_cast<std::uint64_t>(rest > half);
    if (n == 1'000'000'000'000'000ull) { // 9.99..95 and up, rounded to 10.0..0
        if (++exponent > 14)
            return nullptr;
        n = 100'000'000'000'000ull;
    }
    // Sixteen digits, the first a zero: dropped, and a zero byte comes in after the last.
    int significant = 0;
    const Bytes16 digits = sixteenDigits(n, significant);
    const Bytes16 zeroBytes = (Bytes16(kZeroBytes) << 64) | kZeroBytes;
    *d = '-';
    d += bits >> 63;
    return placeDigits(d, (digits + zeroBytes) >> 8, significant - 1, exponent, separator);
}

// The same for a Single (a float, as the general path takes it) and 7 digits, from 2^-13
// to below 2^23. Seven-digit decimals are not always further apart than floats, so up
// to two of them may read back as the float: as singleDigits(), the one nearest to the
// exact value, or its neighbour when that is shorter; the text is the exact value
// rounded (ties to even) when none reads back. With the float as m * 2^-e (m of 24
// bits), N / 10^k reads back when |N * 2^e - m * 10^k| is below half of 10^k (a quarter
// below a power of two, whose step down is half as long), or equal to it and m even:
// all of it in 64-bit whole numbers.
char* writeSingleQuickly(char* d, double value, char separator)
{
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased < 127 - 13 || biased > 127 + 22)
        return nullptr;
    int exponent = decimalExponent(std::fabs(static_cast<double>(static_cast<float>(value))));
    if (exponent < -4 || exponent > 6)
        return nullptr;
    const std::uint64_t m = (bits & 0x7F'FFFFu) | 0x80'0000u;
    const int e = 150 - biased; // 1 .. 37
    const std::uint64_t power = kWholePowersOfTen[static_cast<std::size_t>(6 - exponent)];
    const std::uint64_t product = m * power; // below 2^58
    const std::uint64_t whole = product >> e;
    const std::uint64_t rest = product & ((std::uint64_t{1} << e) - 1);
    const std::uint64_t half = std::uint64_t{1} << (e - 1);
    if (whole - 1'000'000 >= 9'000'000)
        return nullptr;
    const std::uint64_t n = whole + ((rest > half) | ((rest == half) & whole & 1));
    const bool even = (m & 1) == 0;
    const bool lowest = m == 0x80'0000u; // a power of two
    const auto readsBack = [&](std::uint64_t candidate) {
        const auto distance = static_cast<std::int64_t>((candidate << e) - product);
        const std::uint64_t twice = distance >= 0 ? 2 * static_cast<std::uint64_t>(distance)
                                                  : static_cast<std::uint64_t>(-distance) << (lowest ? 2 : 1);
        return (twice < power) | ((twice == power) & even);
    };
    std::uint64_t chosen = n;
    if (readsBack(n)) {
        const std::uint64_t digit = n % 10;
        if (digit == 9 && readsBack(n + 1))
            chosen = n + 1;
        else if (digit == 1 && readsBack(n - 1))
            chosen = n - 1;
    } else if (lowest) {
        return nullptr;
    }
    if (chosen == 10'000'000) {
        if (++exponent > 6)
            return nullptr;
        chosen = 1'000'000;
    }
    // Eight digits, the first a zero: dropped, and a zero byte comes in after the last.
    const std::uint64_t digits = digitBytes(static_cast<std::uint32_t>(chosen));
    *d = '-';
    d += bits >> 31;
    return placeDigits(d, (digits + kZeroBytes) >> 8, 7 - trailingZeroDigits(digits), exponent, separator);
}
#endif

} // namespace

namespace {

// Every value the quick paths leave, and every separator.
Q_NEVER_INLINE char* writeFloatingTextInFull(char* d, double value, int significantDigits,
                                             std::string_view decimalSeparator)
{
    if (std::isnan(value)) {
        std::memcpy(d, "NaN", 3);
        return d + 3;
    }
    if (std::isinf(value)) {
        if (value < 0)
            *d++ = '-';
        std::memcpy(d, "Infinity", 8);
        return d + 8;
    }
    if (value == 0.0) { // negative zero too
        *d++ = '0';
        return d;
    }

    Scientific sci;
    const double magnitude = std::fabs(value);
    bool found = false;
    if (significantDigits == 15 && magnitude >= 2.2250738585072014e-308)
        found = doubleDigits(magnitude, sci);
    else if (significantDigits == 7 && magnitude >= 1.1754943508222875e-38 && magnitude <= 3.4028234663852886e38)
        found = singleDigits(static_cast<float>(magnitude), sci);
    if (found)
        sci.negative = value < 0;
    else
        roundedDigits(value, significantDigits, sci);
    // Digits are copied 16 bytes at a time, whatever their count: past the digits the
    // buffer holds zeros (the ones the count leaves out, or filled in here), which the
    // whole part of a large number shows; the room given has bytes to spare.
    if (!found)
        std::memset(sci.digits + sci.count, '0', sizeof sci.digits - static_cast<std::size_t>(sci.count));
    const char* const digits = sci.digits;
    const int count = sci.count;
    const int exponent = sci.exponent;
    *d = '-';
    d += sci.negative ? 1 : 0;
    if (exponent >= 0 && exponent < significantDigits) {
        // The whole part, then the separator and the rest when there is a rest.
        const int whole = exponent + 1;
        std::memcpy(d, digits, 16);
        char* const fraction = copySeparator(d + whole, decimalSeparator);
        std::memcpy(fraction, digits + whole, 16);
        // Whole numbers and fractions come mixed in many columns: the end by arithmetic
        // rather than a branch.
        const std::ptrdiff_t rest = (fraction - (d + whole)) + (count - whole);
        return d + whole + rest * static_cast<std::ptrdiff_t>(count > whole);
    }
    if (exponent < 0 && exponent >= -4) {
        // "0.", the zeros after the separator, the digits.
        *d++ = '0';
        d = copySeparator(d, decimalSeparator);
        std::memcpy(d, "0000", 4);
        d += -exponent - 1;
        std::memcpy(d, digits, 16);
        return d + count;
    }
    *d++ = digits[0];
    if (count > 1) {
        d = copySeparator(d, decimalSeparator);
        std::memcpy(d, digits + 1, 16);
        d += count - 1;
    }
    *d++ = 'E';
    *d++ = exponent < 0 ? '-' : '+';
    const int power = std::abs(exponent);
    if (power >= 100)
        *d++ = static_cast<char>('0' + power / 100);
    std::memcpy(d, &kDigitPairs[2 * static_cast<std::size_t>(power % 100)], 2);
    return d + 2;
}

} // namespace

char* writeFloatingText(char* d, double value, int significantDigits, std::string_view decimalSeparator)
{
#if defined(__SIZEOF_INT128__)
    if (decimalSeparator.size() == 1 && std::endian::native == std::endian::little) {
        char* const end = significantDigits == 15 ? writeDoubleQuickly(d, value, decimalSeparator[0])
                          : significantDigits == 7 ? writeSingleQuickly(d, value, decimalSeparator[0])
                                                   : nullptr;
        if (end)
            return end;
    }
#endif
    return writeFloatingTextInFull(d, value, significantDigits, decimalSeparator);
}

void appendFloatingText(std::string& out, double value, int significantDigits, std::string_view decimalSeparator)
{
    appendInPlace(out, kMaxFloatingText + decimalSeparator.size(),
                  [&](char* d) { return writeFloatingText(d, value, significantDigits, decimalSeparator); });
}

char* writeIntegerText(char* d, std::int64_t value)
{
    *d = '-';
    return writeDigits(d + (value < 0 ? 1 : 0), magnitudeOf(value));
}

void appendIntegerText(std::string& out, std::int64_t value)
{
    appendInPlace(out, kMaxIntegerText, [&](char* d) { return writeIntegerText(d, value); });
}

namespace {


// The digits of a Decimal's magnitude, most significant first, without leading zeros
// ("0" for zero); `out` holds db::Decimal::kMaxDigits. Returns their count.
int magnitudeDigits(const db::Decimal& value, char* out)
{
    char* const end = out + db::Decimal::kMaxDigits;
    if (value.hi == 0)
        return static_cast<int>(writeDigits(out, (std::uint64_t(value.mid) << 32) | value.lo) - out);
#if defined(__SIZEOF_INT128__)
    // Above 64 bits: one division by 10^19 leaves two halves std::to_chars can write.
    const unsigned __int128 magnitude =
        (static_cast<unsigned __int128>(value.hi) << 64) | (std::uint64_t(value.mid) << 32) | value.lo;
    constexpr std::uint64_t kTen19 = 10'000'000'000'000'000'000ull;
    char* p = std::to_chars(out, end, static_cast<std::uint64_t>(magnitude / kTen19)).ptr;
    char low[20];
    const int lowCount = static_cast<int>(
        std::to_chars(low, low + sizeof low, static_cast<std::uint64_t>(magnitude % kTen19)).ptr - low);
    const int zeros = std::max(0, 19 - lowCount); // the remainder has at most 19 digits
    std::fill(p, p + zeros, '0');
    std::copy(low, low + lowCount, p + zeros);
    return static_cast<int>(p + 19 - out);
#else
    char reversed[db::Decimal::kMaxDigits];
    int count = value.digitsLeastSignificantFirst(reversed);
    while (count > 1 && reversed[count - 1] == '0')
        --count;
    std::reverse_copy(reversed, reversed + count, out);
    return count;
#endif
}

} // namespace

char* writeCurrencyText(char* d, std::int64_t scaled, std::string_view decimalSeparator)
{
    const std::uint64_t magnitude = magnitudeOf(scaled);
    const std::uint64_t whole = magnitude / 10000;
    const unsigned fraction = static_cast<unsigned>(magnitude % 10000);

    *d = '-';
    d = writeDigits(d + (scaled < 0 ? 1 : 0), whole);
    if (fraction != 0) {
        d = copySeparator(d, decimalSeparator);
        std::memcpy(d, &kDigitPairs[2 * (fraction / 100)], 2);
        std::memcpy(d + 2, &kDigitPairs[2 * (fraction % 100)], 2);
        // Its trailing zeros cut by counting them, not by a loop that stops at a guess.
        const int zeros = static_cast<int>(fraction % 10 == 0) + static_cast<int>(fraction % 100 == 0)
                          + static_cast<int>(fraction % 1000 == 0);
        d += 4 - zeros;
    }
    return d;
}

void appendCurrencyText(std::string& out, std::int64_t scaled, std::string_view decimalSeparator)
{
    appendInPlace(out, kMaxCurrencyText + decimalSeparator.size(),
                  [&](char* d) { return writeCurrencyText(d, scaled, decimalSeparator); });
}

void appendDecimalText(std::string& out, const db::Decimal& value, std::string_view decimalSeparator)
{
    // At least one digit before the separator: "0.05", not ".05".
    const int scale = value.effectiveScale();
    char digits[2 * db::Decimal::kMaxDigits];
    char* const first = digits + db::Decimal::kMaxDigits;
    int count = magnitudeDigits(value, first);
    const char* begin = first;
    if (count < scale + 1) {
        begin = first - (scale + 1 - count);
        std::fill(digits + (begin - digits), first, '0');
        count = scale + 1;
    }
    const bool isZero = (value.hi | value.mid | value.lo) == 0;
    const int wholeCount = count - scale;
    int fractionCount = scale;
    while (fractionCount > 0 && begin[wholeCount + fractionCount - 1] == '0')
        --fractionCount;
    appendInPlace(out, db::Decimal::kMaxTextLength + decimalSeparator.size(), [&](char* d) {
        if (value.negative && !isZero)
            *d++ = '-';
        d = std::copy_n(begin, wholeCount, d);
        if (fractionCount > 0)
            d = std::copy_n(begin + wholeCount, fractionCount, copySeparator(d, decimalSeparator));
        return d;
    });
}

} // namespace quorvane::exporter

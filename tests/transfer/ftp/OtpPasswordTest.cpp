// Digests against their RFC test suites, and the one-time passwords of
// RFC 2289 Appendix C in hexadecimal and six-word form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "transfer/HashDigest.h"
#include "transfer/OtpPassword.h"

namespace tramex {
namespace {

template <typename Digest>
std::string Hex(const Digest& digest) {
    std::string hex;
    char pair[3];
    for (auto byte : digest) std::snprintf(pair, sizeof pair, "%02x", byte), hex += pair;
    return hex;
}

TEST(Digests, KnownAnswersIncludingMultiBlockMessages) {
    const std::string million(1000000, 'a');
    EXPECT_EQ(Hex(HashMd4("")), "31d6cfe0d16ae931b73c59d7e0c089c0");
    EXPECT_EQ(Hex(HashMd4("abc")), "a448017aaf21d8525fc10ae87aa6729d");
    EXPECT_EQ(
        Hex(HashMd4(
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890")),
        "e33b4ddc9c38f2199c3e7b164fcc0536");
    EXPECT_EQ(Hex(HashMd5("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(HashMd5("message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(
        Hex(HashMd5(
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890")),
        "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(Hex(HashSha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Hex(HashSha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Hex(HashSha1(million)), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

struct OtpVector {
    OtpHash Hash;
    const char* PassPhrase;
    const char* Seed;
    unsigned Sequence;
    std::uint64_t Key;
    const char* Words;
};

const OtpVector kRfcVectors[] = {
    {OtpHash::Md4, "This is a test.", "TeSt", 0, 0xD1854218EBBB0B51,
     "ROME MUG FRED SCAN LIVE LACE"},
    {OtpHash::Md4, "This is a test.", "TeSt", 1, 0x63473EF01CD0B444, "CARD SAD MINI RYE COL KIN"},
    {OtpHash::Md4, "This is a test.", "TeSt", 99, 0xC5E612776E6C237A,
     "NOTE OUT IBIS SINK NAVE MODE"},
    {OtpHash::Md4, "AbCdEfGhIjK", "alpha1", 99, 0xD150C82CCE6F62D1, "ROIL FREE COG HUNK WAIT COCA"},
    {OtpHash::Md4, "OTP's are good", "correct", 1, 0x8C0992FB250847B1,
     "GIST AMOS MOOT AIDS FOOD SEEM"},
    {OtpHash::Md5, "This is a test.", "TeSt", 0, 0x9E876134D90499DD,
     "INCH SEA ANNE LONG AHEM TOUR"},
    {OtpHash::Md5, "This is a test.", "TeSt", 99, 0x50FE1962C4965880,
     "BAIL TUFT BITS GANG CHEF THY"},
    {OtpHash::Md5, "AbCdEfGhIjK", "alpha1", 1, 0x7CD34C1040ADD14B, "FACT HOOF AT FIST SITE KENT"},
    {OtpHash::Md5, "OTP's are good", "correct", 99, 0xB203E28FA525BE47,
     "LONG IVY JULY AJAR BOND LEE"},
    {OtpHash::Sha1, "This is a test.", "TeSt", 0, 0xBB9E6AE1979D8FF4,
     "MILT VARY MAST OK SEES WENT"},
    {OtpHash::Sha1, "This is a test.", "TeSt", 99, 0x87FEC7768B73CCF9,
     "GAFF WAIT SKID GIG SKY EYED"},
    {OtpHash::Sha1, "AbCdEfGhIjK", "alpha1", 1, 0xD07CE229B5CF119B,
     "RITE TAKE GELD COST TUNE RECK"},
    {OtpHash::Sha1, "AbCdEfGhIjK", "alpha1", 99, 0x27BC71035AAF3DC6, "MAY STAR TIN LYON VEDA STAN"},
};

TEST(OneTimePassword, Rfc2289Vectors) {
    for (const OtpVector& v : kRfcVectors) {
        const std::uint64_t key = OtpKey(v.Hash, v.Seed, v.PassPhrase, v.Sequence);
        EXPECT_EQ(key, v.Key) << v.PassPhrase << " / " << v.Seed << " / " << v.Sequence;
        EXPECT_EQ(OtpSixWords(key), v.Words)
            << v.PassPhrase << " / " << v.Seed << " / " << v.Sequence;
    }
}

TEST(OneTimePassword, DictionaryIsTheStandardOrderedList) {
    const auto& words = OtpDictionary();
    ASSERT_EQ(words.size(), 2048u);
    const auto firstLong =
        std::find_if(words.begin(), words.end(), [](auto w) { return w.size() == 4; });
    EXPECT_EQ(firstLong - words.begin(), 571);
    EXPECT_TRUE(std::is_sorted(words.begin(), firstLong));
    EXPECT_TRUE(std::is_sorted(firstLong, words.end()));
    EXPECT_TRUE(std::all_of(firstLong, words.end(), [](auto w) { return w.size() == 4; }));
    EXPECT_EQ(words.front(), "A");
    EXPECT_EQ(words.back(), "YOKE");
}

TEST(OneTimePassword, ChallengeInTheReplyToUser) {
    const auto challenge = FindOtpChallenge("Response to otp-md5 99 alpha1 required for skey.");
    ASSERT_TRUE(challenge.has_value());
    EXPECT_EQ(challenge->Hash, OtpHash::Md5);
    EXPECT_EQ(challenge->Sequence, 99u);
    EXPECT_EQ(challenge->Seed, "alpha1");

    ASSERT_TRUE(FindOtpChallenge("otp-sha1 5 seed").has_value());
    EXPECT_EQ(FindOtpChallenge("otp-sha1 5 seed")->Hash, OtpHash::Sha1);
    EXPECT_FALSE(FindOtpChallenge("Password required for tramex.").has_value());
    EXPECT_FALSE(FindOtpChallenge("OTP-MD5 99 alpha1").has_value());   // lower case only
    EXPECT_FALSE(FindOtpChallenge("otp-md55 99 alpha1").has_value());  // word must end
    EXPECT_FALSE(FindOtpChallenge("otp-md5 ninety alpha1").has_value());
    EXPECT_EQ(FindOtpChallenge("otp-md4 9999 s")->Sequence, 9999u);
    // Hours of hashing: the challenge is found, and its response refused.
    for (const char* hoursOfHashing : {"otp-md5 10000 seed", "otp-md5 99203220999999 seed"}) {
        const auto challenge = FindOtpChallenge(hoursOfHashing);
        ASSERT_TRUE(challenge.has_value()) << hoursOfHashing;
        EXPECT_EQ(challenge->Sequence, 10000u);
        EXPECT_THROW(OtpResponse(*challenge, "secret"), EOtpSequenceOutOfRange);
    }
}

}  // namespace
}  // namespace tramex

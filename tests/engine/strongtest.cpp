#include "engine/encrypthtml.h"
#include "engine/strongcrypto.h"
#include "engine/strongrun.h"
#include "engine/strongtemplate.h"
#include "tests/engine/strongreader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

namespace
{
    // Where the salt starts in the header: tag, version, name length, KDF name, iteration count, login kind.
    constexpr std::size_t s_saltAt = Strong::FormatTag.size() + 2 + Strong::KdfName.size() + 4 + 1;
    constexpr std::uint32_t s_testIterations = 1000;

    struct Login
    {
        std::string user;
        std::string password;
    };

    std::optional<Strong::Run>
    MakeRun(std::string password, std::vector<Strong::UserLogin> users, std::string_view seed, unsigned threads = 0)
    {
        Strong::RunOptions options;
        options.password = std::move(password);
        options.users = std::move(users);
        options.iterations = s_testIterations;
        options.threads = threads;
        options.random = Strong::PredictableRandom(seed);
        std::string error;
        std::optional<Strong::Run> run = Strong::Run::make(options, error);
        EXPECT_TRUE(run) << error;
        return run;
    }

    // The base64 text of bytes, as a page carries it.
    std::string Base64(std::string_view bytes)
    {
        std::string text;
        StrongCrypto::Base64Stream stream(StrongCrypto::AppendTo(text));
        EXPECT_TRUE(stream.write(bytes) && stream.finish());
        return text;
    }

    // The index of the key table entry that the login unwraps, by the derivation the page script does
    // independently of the engine's code; -1 when none does. key receives the unwrapped content key.
    int EntryOf(const Strong::Run& run, const Login& login, std::string* key = nullptr)
    {
        std::string opened;
        const std::optional<int> entry =
            StrongReader::OpenKeyTable(run.header(), run.keyTable(), login.user, login.password, opened);
        EXPECT_TRUE(entry) << "no key derived for " << login.user << " / " << login.password;
        if (key != nullptr) {
            *key = opened;
        }
        return entry.value_or(-1);
    }

    // The known-answer vectors: the engine's sealed data for fixed inputs and predictable random bytes, which
    // tests/browser/strong-vectors.test.mjs opens with WebCrypto.
    struct Vector
    {
        std::string name;
        std::string seed;
        std::string password;
        std::vector<Strong::UserLogin> users;
        std::string content;
        std::vector<Login> opens;
        std::vector<Login> refuses;
    };

    std::vector<Vector> Vectors()
    {
        // "Zoë" and "crème" composed (NFC) in the list and decomposed (NFD) at the login.
        const std::string zoeNfc = "Zo\xC3\xAB";
        const std::string zoeNfd = "Zoe\xCC\x88";
        const std::string cremeNfc = "cr\xC3\xA8me";
        const std::string cremeNfd = "cre\xCC\x80me";
        return {
            {"single password",
             "single",
             "Open-Sesame",
             {},
             "<html><body><p id=\"content\">Strong page</p></body></html>\r\n",
             {{"", "Open-Sesame"}, {"anyone", "Open-Sesame"}},
             {{"", "open-sesame"}, {"", "Open-Sesame "}}},
            {"empty page", "empty", "x", {}, "", {{"", "x"}}, {{"", "y"}}},
            {"bytes that are not UTF-8",
             "latin1",
             cremeNfc,
             {},
             std::string("caf\xE9 \x00\xFF\x80", 8),
             {{"", cremeNfd}},
             {{"", "creme"}}},
            {"users and a master password",
             "users",
             "Master Key",
             {{"alice", "wonderland"}, {zoeNfc, cremeNfc}, {"bob", "wonderland"}},
             std::string(3000, 'q') + "<p>users</p>",
             {{"alice", "wonderland"}, {zoeNfd, cremeNfd}, {"bob", "wonderland"}, {"", "Master Key"}},
             {{"alice", "Master Key"},
              {"", "wonderland"},
              {"carol", "wonderland"},
              {"Alice", "wonderland"},
              {"alic", "ewonderland"}}},
        };
    }

    std::string JsonString(std::string_view text)
    {
        std::string json = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                json += '\\';
            }
            json += c;
        }
        return json + "\"";
    }

    std::string JsonLogins(const std::vector<Login>& logins)
    {
        std::string json = "[";
        for (const Login& login : logins) {
            json += (json.size() > 1 ? ", " : "") + std::string("{\"user\": ") + JsonString(login.user)
                + ", \"password\": " + JsonString(login.password) + "}";
        }
        return json + "]";
    }

    // The whole vectors file for the current engine.
    std::string VectorsJson()
    {
        std::string json = "{\n  \"about\": \"Strong page known-answer vectors, written by tests/engine/strongtest.cpp "
                           "(QG_WRITE_STRONG_VECTORS=1); see docs/strong-format.md\",\n  \"vectors\": [";
        bool first = true;
        for (const Vector& v : Vectors()) {
            const std::optional<Strong::Run> run = MakeRun(v.password, v.users, v.seed);
            std::string sealed;
            std::string error;
            EXPECT_TRUE(run && run->seal(v.content, sealed, error)) << v.name << ": " << error;
            std::string users = "[";
            for (const Strong::UserLogin& user : v.users) {
                users += (users.size() > 1 ? ", " : "") + std::string("[") + JsonString(user.name) + ", "
                    + JsonString(user.password) + "]";
            }
            json += std::string(first ? "" : ",") + "\n    {\n      \"name\": " + JsonString(v.name)
                + ",\n      \"seed\": " + JsonString(v.seed) + ",\n      \"iterations\": "
                + std::to_string(s_testIterations) + ",\n      \"password\": " + JsonString(v.password)
                + ",\n      \"users\": " + users + "],\n      \"content\": " + JsonString(Base64(v.content))
                + ",\n      \"opens\": " + JsonLogins(v.opens) + ",\n      \"refuses\": " + JsonLogins(v.refuses)
                + ",\n      \"sealed\": " + JsonString(Base64(sealed)) + "\n    }";
            first = false;
        }
        return json + "\n  ]\n}\n";
    }

    TEST(Strong, KnownAnswerVectorsMatchTheFile)
    {
        const std::string json = VectorsJson();
        if (std::getenv("QG_WRITE_STRONG_VECTORS") != nullptr) {
            std::ofstream(QUILLGATE_STRONG_VECTORS_FILE, std::ios::binary) << json;
        }
        std::ifstream in(QUILLGATE_STRONG_VECTORS_FILE, std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(file, json) << "the engine's sealed data differs from " << QUILLGATE_STRONG_VECTORS_FILE;
    }

    TEST(Strong, EveryLoginOpensOneEntryAndNoOtherLoginDoes)
    {
        for (const Vector& v : Vectors()) {
            SCOPED_TRACE(v.name);
            const std::optional<Strong::Run> run = MakeRun(v.password, v.users, v.seed);
            ASSERT_TRUE(run);
            const std::size_t entries = v.users.size() + 1;
            EXPECT_EQ(run->keyTable().size(), entries * Strong::EntrySize);
            std::set<int> opened;
            std::set<std::string> keys;
            for (const Login& login : v.opens) {
                std::string key;
                const int entry = EntryOf(*run, login, &key);
                EXPECT_GE(entry, 0) << login.user << " / " << login.password;
                opened.insert(entry);
                keys.insert(key);
            }
            EXPECT_EQ(keys.size(), 1U) << "every entry holds the same content key";
            EXPECT_EQ(opened.size(), entries) << "each user and the master have an entry of their own";
            for (const Login& login : v.refuses) {
                EXPECT_EQ(EntryOf(*run, login), -1) << login.user << " / " << login.password;
            }
        }
    }

    TEST(Strong, KeyTableHoldsNoNameOrPasswordAndIsShuffled)
    {
        const std::vector<Strong::UserLogin> users = {{"alice", "wonderland"}, {"bob", "builder"}, {"carol", "x"}};
        std::set<int> masterPlaces;
        for (int seed = 0; seed < 12; ++seed) {
            const std::optional<Strong::Run> run = MakeRun("Master Key", users, "order " + std::to_string(seed));
            ASSERT_TRUE(run);
            std::string sealed;
            std::string error;
            ASSERT_TRUE(run->seal("page", sealed, error)) << error;
            for (const std::string_view text : {"alice", "bob", "carol", "wonderland", "builder", "Master"}) {
                EXPECT_EQ(sealed.find(text), std::string::npos) << text;
            }
            masterPlaces.insert(EntryOf(*run, {"", "Master Key"}));
        }
        EXPECT_GT(masterPlaces.size(), 2U) << "the master's entry stands at a random place";
    }

    TEST(Strong, RunsAreTheSameWhateverTheThreadCountAndDifferWithTheirRandomBytes)
    {
        const std::vector<Strong::UserLogin> users = {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}};
        std::string sealed[3];
        std::string error;
        const std::optional<Strong::Run> one = MakeRun("m", users, "threads", 1);
        const std::optional<Strong::Run> four = MakeRun("m", users, "threads", 4);
        const std::optional<Strong::Run> other = MakeRun("m", users, "other seed", 4);
        ASSERT_TRUE(one && four && other);
        ASSERT_TRUE(one->seal("page", sealed[0], error) && four->seal("page", sealed[1], error)
                    && other->seal("page", sealed[2], error));
        EXPECT_EQ(sealed[0], sealed[1]);
        EXPECT_NE(sealed[0], sealed[2]);

        // Two pages of one run share the header and key table, not the nonce.
        std::string second;
        ASSERT_TRUE(one->seal("page", second, error));
        const std::size_t prefix = one->header().size() + 4 + one->keyTable().size();
        EXPECT_EQ(second.substr(0, prefix), sealed[0].substr(0, prefix));
        EXPECT_NE(second.substr(prefix, 12), sealed[0].substr(prefix, 12));
    }

    // A page written in pieces, as LockPage streams a file, is the page sealed at once: pieces cross every buffer
    // of the deflate, cipher and base64 streams, and base64 groups of three are split between pieces.
    TEST(Strong, SealerFedInPiecesGivesTheSealedDataOfTheWholeContent)
    {
        std::string content;
        for (std::uint32_t i = 0; content.size() < 700 * 1024; ++i) {
            content += "<p>" + std::to_string(i * 2654435761U) + "</p>";
        }
        for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{1}, std::size_t{2}, std::size_t{131073}}) {
            SCOPED_TRACE(piece);
            const std::optional<Strong::Run> whole = MakeRun("pw", {}, "pieces");
            const std::optional<Strong::Run> split = MakeRun("pw", {}, "pieces");
            ASSERT_TRUE(whole && split);
            std::string sealed;
            std::string error;
            ASSERT_TRUE(whole->seal(content, sealed, error)) << error;
            std::string text;
            std::size_t largest = 0;
            Strong::PageSealer sealer(
                *split,
                [&](std::string_view bytes) {
                    largest = std::max(largest, bytes.size());
                    text.append(bytes);
                    return true;
                },
                true);
            ASSERT_TRUE(sealer.start(error)) << error;
            // Pieces of one or two bytes for the first stretch only, where every base64 group boundary is met.
            for (std::size_t at = 0; at < content.size();) {
                const std::size_t length = piece <= 2 && at >= 5000 ? content.size() - at : piece;
                ASSERT_TRUE(sealer.write(std::string_view(content).substr(at, length), error)) << error;
                at += length;
            }
            ASSERT_TRUE(sealer.finish(error)) << error;
            EXPECT_EQ(text, Base64(sealed));
            EXPECT_LE(largest, StrongCrypto::StreamPieceSize);
        }
    }

    // A long page is deflated a block at a time on several threads, each block primed with the data before it:
    // the blocks still make one zlib stream of the whole content, whatever the thread count, with block limits
    // met exactly and missed by a byte. Content of one block is deflated just as zlib deflates it whole, which the
    // known-answer vectors rest on.
    TEST(Strong, DeflateInBlocksMakesOneStreamOfTheWholeContent)
    {
        constexpr std::size_t block = StrongCrypto::DeflateStream::BlockSize;
        std::string text;
        for (std::uint32_t i = 0; text.size() < 3 * block + block / 2; ++i) {
            text += "<p>" + std::to_string(i * 2654435761U % 100000) + " and again</p>";
        }
        for (const std::size_t size : {std::size_t{0}, std::size_t{1000}, block, block + 1, 2 * block, text.size()}) {
            const std::string content = text.substr(0, size);
            for (const unsigned threads : {1U, 3U}) {
                SCOPED_TRACE(testing::Message() << size << " bytes, " << threads << " threads");
                std::string deflated;
                StrongCrypto::DeflateStream stream(StrongCrypto::AppendTo(deflated), threads);
                for (std::size_t at = 0; at < size; at += 100000) {
                    ASSERT_TRUE(stream.write(std::string_view(content).substr(at, 100000)));
                }
                ASSERT_TRUE(stream.finish());
                std::string inflated;
                ASSERT_TRUE(StrongReader::Inflate(deflated, inflated));
                EXPECT_TRUE(inflated == content);
                if (size <= block) {
                    std::string whole(compressBound(uLong(size)), '\0');
                    uLongf length = uLongf(whole.size());
                    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(whole.data()),
                                        &length,
                                        reinterpret_cast<const Bytef*>(content.data()),
                                        uLong(size),
                                        Z_BEST_SPEED),
                              Z_OK);
                    whole.resize(length);
                    EXPECT_TRUE(deflated == whole);
                }
            }
        }
    }

    TEST(Strong, SealerStopsWhenItsOutputRefusesAndLeavesTheErrorToIt)
    {
        const std::optional<Strong::Run> run = MakeRun("pw", {}, "refused");
        ASSERT_TRUE(run);
        std::string error = "the output's own reason";
        int pieces = 0;
        Strong::PageSealer sealer(
            *run,
            [&](std::string_view) {
                return ++pieces < 3;
            },
            false);
        const bool ok = sealer.start(error) && sealer.write(std::string(1 << 20, 'x'), error) && sealer.finish(error);
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, "the output's own reason");
    }

    TEST(Strong, MakeRefusesWhatCouldNotBeOpened)
    {
        struct Case
        {
            std::string password;
            std::vector<Strong::UserLogin> users;
            std::uint32_t iterations;
            std::string error;
        };
        const std::vector<Case> cases = {
            {"", {}, 1, "the password is empty"},
            {"\xFF", {}, 1, "the password is not valid UTF-8 text"},
            {"m", {}, 0, "the iteration count must be between 1 and 2147483647"},
            {"m", {{"", "pw"}}, 1, "a user name is empty"},
            {"m", {{"ann", ""}}, 1, "the password of user \"ann\" is empty"},
            {"m", {{"ann", "\xC3"}}, 1, "a user name or password is not valid UTF-8 text"},
            {"m", {{"ann", "1"}, {"ann", "2"}}, 1, "the user name \"ann\" is given twice"},
            {"m", {{"Zo\xC3\xAB", "1"}, {"Zoe\xCC\x88", "2"}}, 1, "the user name \"Zoe\xCC\x88\" is given twice"},
        };
        for (const Case& c : cases) {
            Strong::RunOptions options;
            options.password = c.password;
            options.users = c.users;
            options.iterations = c.iterations;
            std::string error;
            EXPECT_FALSE(Strong::Run::make(options, error)) << c.error;
            EXPECT_EQ(error, c.error);
        }
    }

    TEST(Strong, ProgressIsToldOnTheCallingThreadAndCanStopTheRun)
    {
        Strong::RunOptions options;
        options.password = "m";
        for (int i = 0; i < 7; ++i) {
            options.users.push_back({"user" + std::to_string(i), "pw"});
        }
        options.iterations = s_testIterations;
        options.threads = 3;
        std::vector<std::size_t> told;
        const std::thread::id caller = std::this_thread::get_id();
        options.progress = [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            EXPECT_EQ(total, 8U);
            told.push_back(done);
            return true;
        };
        std::string error;
        ASSERT_TRUE(Strong::Run::make(options, error)) << error;
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
        EXPECT_EQ(told.back(), 8U);

        options.progress = [](std::size_t, std::size_t) {
            return false;
        };
        EXPECT_FALSE(Strong::Run::make(options, error));
        EXPECT_EQ(error, "stopped");
    }

    TEST(Strong, DefaultRunStoresSixHundredThousandIterations)
    {
        Strong::RunOptions options;
        options.password = "Open-Sesame";
        std::string error;
        const std::optional<Strong::Run> run = Strong::Run::make(options, error);
        ASSERT_TRUE(run) << error;
        EXPECT_EQ(run->header().substr(s_saltAt - 5, 4), std::string("\x00\x09\x27\xC0", 4));
        EXPECT_EQ(run->keyTable().size(), Strong::EntrySize);
    }

    TEST(Strong, PageIsAsciiWithTheMarkerFormColoursAndCharset)
    {
        const std::optional<Strong::Run> single = MakeRun("pw", {}, "page");
        const std::optional<Strong::Run> users = MakeRun("pw", {{"ann", "1"}}, "page");
        ASSERT_TRUE(single && users);
        struct Case
        {
            const Strong::Run* run;
            int protection;
            int color;
            std::string charset;
            std::string content;
            std::vector<std::string> holds;
            bool hasUserField;
        };
        const std::vector<Case> cases = {
            {&*single,
             Encrypthtml::ProtectPage,
             Encrypthtml::ColorWhite,
             "",
             "plain",
             {"#FFFFFF", "#000000", "qgProtection=1000", "charset=iso-8859-1\""},
             false},
            {&*single,
             Encrypthtml::ProtectCookie,
             Encrypthtml::ColorYellow,
             "",
             "gr\xC3\xBC\xC3\x9F",
             {"#FF8040", "#007FBF", "qgProtection=1002", "charset=utf-8\"", "qgCharset='utf-8'"},
             false},
            {&*users,
             Encrypthtml::ProtectSession,
             Encrypthtml::ColorBlue,
             "Shift_JIS",
             "x",
             {"#0000FF", "#FFFF00", "qgProtection=1001", "qgCharset='shift_jis'"},
             true},
            {&*users, 1234, 0x123456, "utf-8", "x", {"#FFFFFF", "#000000", "qgProtection=1000"}, true},
        };
        for (const Case& c : cases) {
            std::string page;
            std::string error;
            ASSERT_TRUE(c.run->buildPage(c.content, c.protection, c.color, c.charset, page, error)) << error;
            EXPECT_TRUE(page.starts_with(Encrypthtml::LockedMarker));
            EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](char b) {
                return b > 0 && b < 0x7F;
            }));
            EXPECT_EQ(page.find("<#"), std::string::npos);
            for (const std::string& text : c.holds) {
                EXPECT_NE(page.find(text), std::string::npos) << text;
            }
            EXPECT_EQ(page.find("name=\"qvusr\"") != std::string::npos, c.hasUserField);
        }
        std::string page;
        std::string error;
        EXPECT_FALSE(single->buildPage("x", 1000, 0, "utf-8\"><script>", page, error));
        EXPECT_EQ(error,
                  "the character set label \"utf-8\"><script>\" holds characters other than letters, digits and ._:-");
    }

    TEST(Strong, BuildEmbedsTheCurrentTemplate)
    {
        std::ifstream in(QUILLGATE_STRONG_TEMPLATE_FILE, std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(StrongTemplate::EmbeddedFile(), file);
    }
} // namespace

// The SNMPv3 profile file: where it lives, what it holds, and what is refused with which line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "profiles.h"

namespace {

using namespace netrov::core;
using netrov::snmp::usm::Auth;
using netrov::snmp::usm::Level;
using netrov::snmp::usm::Priv;

// Test pass phrases, looked for in every message.
constexpr const char* kAuthSecret = "Xq7-auth-phrase";
constexpr const char* kPrivSecret = "Zr9-priv-phrase";

const std::string kGood = std::string("# fleet credentials\n"
                                      "[office]\n"
                                      "user = monitor\n"
                                      "level = authPriv\n"
                                      "auth = SHA-256\n"
                                      "authPassphrase = ")
                          + kAuthSecret + "\r\npriv = AES-256-C\nprivPassphrase = " + kPrivSecret
                          + "\ncontext = printers\n\n"
                            "; a read-only user\n"
                            "[lobby]\n"
                            "user=guest\n"
                            "level=noAuthNoPriv\n";

TEST(Profiles, AGoodFileGivesEveryField)
{
    std::vector<CredentialProfile> profiles;
    ProfileError error;
    ASSERT_TRUE(parseProfiles(kGood, profiles, error)) << error.message;
    ASSERT_EQ(profiles.size(), 2u);
    const CredentialProfile* office = findProfile(profiles, "office");
    ASSERT_TRUE(office);
    EXPECT_EQ(office->user, "monitor");
    EXPECT_EQ(office->level, Level::AuthPriv);
    EXPECT_EQ(office->auth, Auth::Sha256);
    EXPECT_EQ(office->priv, Priv::Aes256C);
    EXPECT_EQ(office->authPassphrase.text(), kAuthSecret);
    EXPECT_EQ(office->privPassphrase.text(), kPrivSecret);
    EXPECT_EQ(office->context, "printers");
    const CredentialProfile* lobby = findProfile(profiles, "lobby");
    ASSERT_TRUE(lobby);
    EXPECT_EQ(lobby->level, Level::NoAuthNoPriv);
    EXPECT_TRUE(lobby->authPassphrase.empty());
    EXPECT_FALSE(findProfile(profiles, "Office"));
}

TEST(Profiles, EveryProtocolNameIsRead)
{
    const std::pair<const char*, Auth> auths[] = {{"MD5", Auth::Md5},       {"SHA", Auth::Sha1},
                                                  {"SHA-224", Auth::Sha224}, {"SHA-256", Auth::Sha256},
                                                  {"SHA-384", Auth::Sha384}, {"SHA-512", Auth::Sha512}};
    const std::pair<const char*, Priv> privs[] = {{"DES", Priv::Des},         {"AES", Priv::Aes128},
                                                  {"AES-192", Priv::Aes192},   {"AES-256", Priv::Aes256},
                                                  {"AES-192-C", Priv::Aes192C}, {"AES-256-C", Priv::Aes256C}};
    for (const auto& [authWord, auth] : auths) {
        for (const auto& [privWord, priv] : privs) {
            const std::string text = std::string("[p]\nuser=u\nlevel=authPriv\nauth=") + authWord
                                     + "\nauthPassphrase=12345678\npriv=" + privWord + "\nprivPassphrase=abcdefgh\n";
            std::vector<CredentialProfile> profiles;
            ProfileError error;
            ASSERT_TRUE(parseProfiles(text, profiles, error)) << authWord << ' ' << privWord << ": " << error.message;
            EXPECT_EQ(profiles[0].auth, auth);
            EXPECT_EQ(profiles[0].priv, priv);
            EXPECT_STREQ(authName(auth), authWord);
            EXPECT_STREQ(privName(priv), privWord);
        }
    }
}

TEST(Profiles, ABadLineIsRefusedWithItsNumberAndNoValue)
{
    const std::string auth = std::string("authPassphrase = ") + kAuthSecret + "\n";
    struct Case {
        const char* what;
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"key before any profile", "user = x\n", 1},
        {"no equals sign", "[a]\nuser x\n", 2},
        {"unknown key", "[a]\nuser=x\n" + std::string(kAuthSecret) + " = 1\n", 3},
        {"unknown level", "[a]\nuser=x\nlevel=" + std::string(kAuthSecret) + "\n", 3},
        {"unknown auth", "[a]\nuser=x\nauth=SHA1\n", 3},
        {"unknown priv", "[a]\nuser=x\npriv=AES128\n", 3},
        {"short pass phrase", "[a]\nuser=x\n\nauthPassphrase = short\n", 4},
        {"key twice", "[a]\nuser=x\nuser=y\n", 3},
        {"profile twice", "[a]\nuser=x\n[a]\nuser=y\n", 3},
        {"header without end", "[a\n", 1},
        {"empty header", "[ ]\n", 1},
        {"user too long", "[a]\nuser=" + std::string(33, 'u') + "\n", 2},
        {"no user", "[a]\n" + auth + "[b]\nuser=x\n", 1},
        {"auth level without protocol", "[a]\nuser=x\nlevel=authNoPriv\n" + auth, 1},
        {"auth level without pass phrase", "[a]\nuser=x\nlevel=authNoPriv\nauth=MD5\n", 1},
        {"priv level without protocol", "[z]\nuser=q\n[a]\nuser=x\nlevel=authPriv\nauth=MD5\n" + auth, 3},
        {"priv level without pass phrase", "[a]\nuser=x\nlevel=authPriv\nauth=MD5\npriv=DES\n" + auth, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CredentialProfile> profiles;
        ProfileError error;
        EXPECT_FALSE(parseProfiles(c.text, profiles, error));
        EXPECT_TRUE(profiles.empty());
        EXPECT_EQ(error.line, c.line) << error.message;
        EXPECT_EQ(error.message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << error.message;
        EXPECT_EQ(error.message.find(kAuthSecret), std::string::npos) << error.message;
    }
}

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("netrov_profiles_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_ / "netrov");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path write(const std::string& text, mode_t mode)
    {
        const auto path = dir_ / "netrov" / "profiles.ini";
        std::ofstream(path) << text;
        chmod(path.c_str(), mode);
        return path;
    }

    std::filesystem::path dir_;
};

TEST_F(ProfileFile, LivesInTheUsersConfigurationFolder)
{
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(profilesPath(), std::filesystem::path("/somewhere/config/netrov/profiles.ini"));
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(profilesPath(), std::filesystem::path("/home/someone/.config/netrov/profiles.ini"));
    if (savedXdg) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    if (savedHome) setenv("HOME", home.c_str(), 1);
}

TEST_F(ProfileFile, OnlyAPrivateFileIsRead)
{
    struct Case {
        mode_t mode;
        bool read;
    };
    const Case cases[] = {{0600, true}, {0400, true}, {0640, false}, {0604, false}, {0620, false}, {0644, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto path = write(kGood, c.mode);
        std::vector<CredentialProfile> profiles;
        ProfileError error;
        EXPECT_EQ(loadProfiles(path, profiles, error), c.read) << error.message;
        EXPECT_EQ(profiles.size(), c.read ? 2u : 0u);
        if (!c.read) {
            EXPECT_EQ(error.line, 0);
            EXPECT_NE(error.message.find("chmod 600"), std::string::npos);
        }
    }
}

TEST_F(ProfileFile, AMissingFileIsNoProfilesAndABadOneNamesFileAndLine)
{
    std::vector<CredentialProfile> profiles;
    ProfileError error;
    EXPECT_TRUE(loadProfiles(dir_ / "netrov" / "absent.ini", profiles, error));
    EXPECT_TRUE(profiles.empty());

    const auto path = write(kGood + "privPassphrase " + kPrivSecret + "\n", 0600);
    EXPECT_FALSE(loadProfiles(path, profiles, error));
    EXPECT_EQ(error.line, 15);
    EXPECT_NE(error.message.find(path.string()), std::string::npos);
    EXPECT_EQ(error.message.find(kPrivSecret), std::string::npos);
}

}  // namespace

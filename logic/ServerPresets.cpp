#include "logic/ServerPresets.h"

#include "foundation/LexicalCast.h"
#include "foundation/Reporter.h"
#include "foundation/TextConversion.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <tinyxml.h>

namespace Logic {
namespace {

// The file is written by hand; its problems go to the debug output with the place to look at.
void reportAt(const TiXmlElement& element, const std::string& message) {
    const std::string position =
        "pos " + std::to_string(element.Row()) + ":" + std::to_string(element.Column());
    Norq::report("Scripts", message, position);
}

// <pop3 address=".." port="995" ssl="1"><traits><login prefix=".." suffix=".."/></traits></pop3>,
// and the same for <imap>.
void readServer(const TiXmlElement& pop3, ServerPreset::Server& settings) {
    const char* address = pop3.Attribute("address");
    if (address == nullptr) {
        reportAt(pop3, std::string("the address of ") + pop3.Value() + " server is missing");
        return;
    }
    settings.address = address;
    if (const char* port = pop3.Attribute("port"))
        settings.port = Norq::lexicalCastOr<std::uint16_t>(port);
    if (const char* ssl = pop3.Attribute("ssl"))
        settings.ssl = Norq::lexicalCastOr<bool>(ssl);

    for (const TiXmlElement* traits = pop3.FirstChildElement("traits"); traits != nullptr;
         traits = traits->NextSiblingElement("traits")) {
        for (const TiXmlElement* login = traits->FirstChildElement("login"); login != nullptr;
             login = login->NextSiblingElement("login")) {
            if (const char* prefix = login->Attribute("prefix"))
                settings.loginPrefix = prefix;
            if (const char* suffix = login->Attribute("suffix"))
                settings.loginSuffix = suffix;
        }
    }
}

// <access login="app-password" help="https://...">note</access>
void readAccess(const TiXmlElement& access, ServerPreset::Access& settings) {
    const std::string login = access.Attribute("login") ? access.Attribute("login") : "password";
    if (login == "app-password")
        settings.login = ServerPreset::Login::AppPassword;
    else if (login == "none")
        settings.login = ServerPreset::Login::None;
    else if (login != "password")
        reportAt(access, "unknown login kind [" + login + "]");
    if (const char* help = access.Attribute("help"))
        settings.help = help;
    if (const char* note = access.GetText())
        settings.note = note;
}

} // namespace

ServerPresets ServerPresets::fromFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        // The program works without presets; the user types the settings in.
        Norq::report("Scripts", "can't open the server presets", path.string());
        return {};
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return fromText(text, path.filename().string());
}

ServerPresets ServerPresets::fromText(std::string_view text, std::string_view source) {
    // TinyXML steps over a UTF-8 character by its lead byte alone, so a broken sequence made
    // it read past the end of the text. It gets valid UTF-8: broken sequences become U+FFFD.
    const std::string valid = Norq::toNarrow(Norq::toWide(text));
    if (valid != text)
        Norq::report("Scripts", std::string(source) + " is not UTF-8 text throughout",
                     std::string(source));

    // Whatever TinyXML made of a broken file is used as far as it goes.
    ServerPresets presets;
    TiXmlDocument document;
    document.Parse(valid.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    for (const TiXmlElement* servers = document.FirstChildElement("servers"); servers != nullptr;
         servers = servers->NextSiblingElement("servers")) {
        for (const TiXmlElement* server = servers->FirstChildElement("server"); server != nullptr;
             server = server->NextSiblingElement("server"))
            presets.loadServer(*server);
    }
    return presets;
}

void ServerPresets::loadServer(const TiXmlElement& server) {
    const char* name = server.Attribute("name");
    if (name == nullptr) {
        reportAt(server, "the name of server is missing");
        return;
    }
    if (m_presets.contains(std::string_view(name))) {
        reportAt(server, std::string("the name of server [") + name + "] already exists");
        return;
    }

    ServerPreset preset;
    for (const TiXmlElement* pop3 = server.FirstChildElement("pop3"); pop3 != nullptr;
         pop3 = pop3->NextSiblingElement("pop3"))
        readServer(*pop3, preset.pop3);
    for (const TiXmlElement* imap = server.FirstChildElement("imap"); imap != nullptr;
         imap = imap->NextSiblingElement("imap"))
        readServer(*imap, preset.imap);
    if (const TiXmlElement* access = server.FirstChildElement("access"))
        readAccess(*access, preset.access);
    preset.imapAccess = preset.access;
    if (const TiXmlElement* access = server.FirstChildElement("imap-access"))
        readAccess(*access, preset.imapAccess);
    if (const char* url = server.Attribute("url"))
        preset.url = url;
    m_presets.emplace(name, std::move(preset));
}

const ServerPreset* ServerPresets::find(std::string_view serverName) const {
    const auto found = m_presets.find(serverName);
    return found == m_presets.end() ? nullptr : &found->second;
}

const ServerPreset* ServerPresets::findByServer(std::string_view server) const {
    if (server.empty())
        return nullptr;
    for (const auto& [domain, preset] : m_presets) {
        if (Norq::equalIgnoringAsciiCase(preset.pop3.address, server) ||
            Norq::equalIgnoringAsciiCase(preset.imap.address, server))
            return &preset;
    }
    return nullptr;
}

std::string ServerPresets::refusalAdvice(std::string_view server) const {
    const ServerPreset* provider = findByServer(server);
    if (provider == nullptr)
        return {};
    return provider->refusalAdvice(Norq::equalIgnoringAsciiCase(provider->imap.address, server));
}

} // namespace Logic

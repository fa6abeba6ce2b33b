// The frame another start and the running tray program speak: every byte of the arguments, the
// input and the reply survives; a request cut short is incomplete, a wrong one invalid.
#include "cli/InstanceProtocol.h"

#include <gtest/gtest.h>

using Arguments = std::vector<std::string>;
using State = InstanceProtocol::Request::State;

TEST(InstanceProtocolTest, RequestsAndRepliesKeepEveryByte) {
    const Arguments arguments{"--check-once", "", "two\nlines", "100%", "Café", "%4"};
    const std::string request = InstanceProtocol::encodeRequest(arguments);
    for (std::size_t cut = 0; cut < request.size(); ++cut)
        EXPECT_EQ(InstanceProtocol::decodeRequest(request.substr(0, cut)).state, State::Incomplete);
    const auto decoded = InstanceProtocol::decodeRequest(request);
    EXPECT_EQ(decoded.state, State::Complete);
    EXPECT_EQ(decoded.arguments, arguments);
    EXPECT_EQ(InstanceProtocol::decodeRequest(request + "x\n").state, State::Invalid);

    // What the job read travels apart from the arguments, once, after them.
    const auto read =
        InstanceProtocol::decodeRequest(InstanceProtocol::encodeRequest(arguments, "p\n%=<"));
    EXPECT_EQ(read.state, State::Complete);
    EXPECT_EQ(read.arguments, arguments);
    EXPECT_EQ(read.input, "p\n%=<");
    for (const char* wrong : {"velomar-request 1\n<a\n=b\n\n", "velomar-request 1\n<a\n<b\n\n",
                              "GET / HTTP/1.0\r\n", "velomar-request 1\nno-equals\n\n"})
        EXPECT_EQ(InstanceProtocol::decodeRequest(wrong).state, State::Invalid) << wrong;
    // A '%' the sender did not write as an escape stands for itself.
    EXPECT_EQ(InstanceProtocol::decodeRequest("velomar-request 1\n=100%\n=%zz%4\n\n").arguments,
              (Arguments{"100%", "%zz%4"}));

    const JobOutput output{-3, "a: 1 new\n", "velomar: x\n"};
    const std::string reply = InstanceProtocol::encodeReply(output);
    EXPECT_FALSE(InstanceProtocol::decodeReply(reply.substr(0, reply.size() - 1)));
    const auto back = InstanceProtocol::decodeReply(reply);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->exitCode, -3);
    EXPECT_EQ(back->standardOutput, output.standardOutput);
    EXPECT_EQ(back->standardError, output.standardError);
    EXPECT_FALSE(InstanceProtocol::decodeReply("3x\n\n\n"));
}

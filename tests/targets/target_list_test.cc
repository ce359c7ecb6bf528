#include "targets/target_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::ScriptedConsole;

// Reads text as a batch list and returns the records as plain tuples.
struct Read {
  std::vector<TargetRecord> records;
  std::string errors;
};

Read read_text(const std::string& text) {
  std::FILE* file = tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  ScriptedConsole console;
  TargetRecord* list = read_target_list(file, "upload_list.txt", &console);
  std::fclose(file);
  Read result;
  for (TargetRecord* r = list; r != nullptr; r = r->next) result.records.push_back(*r);
  free_target_list(list);
  result.errors = console.err;
  return result;
}

std::string group(const std::string& ip, const std::string& ini, const std::string& user,
                  const std::string& password) {
  return "SystemIP=" + ip + "\nIniFileName=" + ini + "\nSystemUserName=" + user +
         "\nSystemPassword=" + password + "\n";
}

TEST(ReadTargetList, GroupsInFileOrderWithJunkBetween) {
  Read r = read_text("# site A\n\n" + group("10.0.0.5", "a.ini", "admin", "pw1") +
                     "\nNote=ignored\nsystemip=10.0.0.9\n" +
                     group("10.0.0.6", "b.ini", "root", "pw2") + "trailing words\n");
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.5");
  EXPECT_STREQ(r.records[0].ini_file_name, "a.ini");
  EXPECT_STREQ(r.records[0].user_name, "admin");
  EXPECT_STREQ(r.records[0].password, "pw1");
  EXPECT_STREQ(r.records[1].ip_address, "10.0.0.6");
  EXPECT_STREQ(r.records[1].password, "pw2");
  EXPECT_EQ(r.records[1].next, nullptr);
  EXPECT_EQ(r.errors, "");
}

TEST(ReadTargetList, KeysMatchOnlyExactlyAtLineStart) {
  EXPECT_TRUE(read_text("systemip=10.0.0.5\nSystemIP = 10.0.0.5\n SystemIP=10.0.0.5\n"
                        "SystemIP=\nSystemIP=   \t\n")
                  .records.empty());
}

TEST(ReadTargetList, ValueIsFirstWordAfterBlanks) {
  Read r = read_text("SystemIP=  10.0.0.5   more words\nIniFileName=\ta.ini x\n"
                     "SystemUserName=admin\r\nSystemPassword=pw\r\n");
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.5");
  EXPECT_STREQ(r.records[0].ini_file_name, "a.ini");
  EXPECT_STREQ(r.records[0].user_name, "admin");  // no carriage return kept
  EXPECT_STREQ(r.records[0].password, "pw");
}

TEST(ReadTargetList, MissingLineSwallowsTheNextOpeningLine) {
  Read r = read_text("SystemIP=10.0.0.5\nSystemUserName=admin\nSystemPassword=pw\n" +
                     group("10.0.0.6", "b.ini", "root", "pw2") + group("10.0.0.7", "c.ini", "u", "p"));
  // The second group's opening line is consumed as the first group's password line.
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.5");
  EXPECT_STREQ(r.records[0].ini_file_name, "");
  EXPECT_STREQ(r.records[0].user_name, "");
  EXPECT_STREQ(r.records[0].password, "");
  EXPECT_STREQ(r.records[1].ip_address, "10.0.0.7");
  // A group worked with empty fields is named before it runs.
  EXPECT_EQ(r.errors,
            "vornel: upload_list.txt:2: IniFileName= expected; the group goes on with an empty "
            "IniFileName\n"
            "vornel: upload_list.txt:3: SystemUserName= expected; the group goes on with an empty "
            "SystemUserName\n"
            "vornel: upload_list.txt:4: SystemPassword= expected; the group goes on with an empty "
            "SystemPassword\n");
}

TEST(ReadTargetList, FileEndingInsideAGroupKeepsWhatWasRead) {
  Read r = read_text(group("10.0.0.5", "a.ini", "admin", "pw") + "SystemIP=10.0.0.6");
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_STREQ(r.records[1].ip_address, "10.0.0.6");
  EXPECT_STREQ(r.records[1].ini_file_name, "");
  EXPECT_STREQ(r.records[1].password, "");
  EXPECT_EQ(r.errors.find("upload_list.txt:5: IniFileName= expected"), 0u + 8) << r.errors;
  EXPECT_NE(r.errors.find("SystemPassword= expected"), std::string::npos) << r.errors;
}

TEST(ReadTargetList, DuplicateAddressesGiveTwoRecords) {
  Read r = read_text(group("10.0.0.5", "a.ini", "u", "p") + group("10.0.0.5", "a.ini", "u", "p"));
  EXPECT_EQ(r.records.size(), 2u);
}

TEST(ReadTargetList, LongLineIsReadInPiecesOf255Bytes) {
  // 255 bytes of junk make the first piece; the rest of the line, which
  // starts with an opening key, is a line of its own.
  std::string line = std::string(255, 'x') + "SystemIP=10.0.0.8";
  line += std::string(300 - line.size() - 1, ' ') + "\n";
  ASSERT_EQ(line.size(), 300u);
  Read r = read_text(line + "IniFileName=a.ini\nSystemUserName=u\nSystemPassword=p\n");
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.8");
  EXPECT_STREQ(r.records[0].password, "p");
}

TEST(ReadTargetList, OverlongValueRefusesTheWholeGroupAndSaysWhere) {
  Read r = read_text(group("192.168.100.1001", "a.ini", "u", "p") +
                     group("10.0.0.2", std::string(28, 'f'), "u", "p") +
                     group("10.0.0.3", "c.ini", std::string(26, 'u'), "p") +
                     group("10.0.0.4", "d.ini", "u", std::string(28, 'p')) +
                     group("10.0.0.5", std::string(27, 'f'), std::string(25, 'u'),
                           std::string(27, 'p')));
  // Only the last group, whose values exactly fill their fields, survives.
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.5");
  EXPECT_EQ(std::string(r.records[0].password), std::string(27, 'p'));
  EXPECT_EQ(r.errors,
            "vornel: upload_list.txt:1: SystemIP value longer than 15 characters; the whole "
            "group is ignored\n"
            "vornel: upload_list.txt:6: IniFileName value longer than 27 characters; the whole "
            "group is ignored\n"
            "vornel: upload_list.txt:11: SystemUserName value longer than 25 characters; the "
            "whole group is ignored\n"
            "vornel: upload_list.txt:16: SystemPassword value longer than 27 characters; the "
            "whole group is ignored\n");
}

TEST(ReadTargetList, NulCutOrControlCharacterInAValueRefusesTheGroup) {
  // "10.0.0.2<NUL>5" read as a C string would name the device 10.0.0.2.
  std::string cut_address = "SystemIP=10.0.0.2";
  cut_address += '\0';
  cut_address += "5\nIniFileName=a.ini\nSystemUserName=u\nSystemPassword=p\n";
  std::string cut_name = "SystemIP=10.0.0.3\nIniFileName=a";
  cut_name += '\0';
  cut_name += "b.ini\nSystemUserName=u\nSystemPassword=p\n";
  // A NUL after the value and a blank cuts nothing.
  std::string after_value = "SystemIP=10.0.0.4 ";
  after_value += '\0';
  after_value += "junk\nIniFileName=a.ini\nSystemUserName=u\nSystemPassword=p\n";
  // An escape sequence in a name would be echoed raw to the operator's terminal.
  std::string escape = "SystemIP=10.0.0.5\nIniFileName=a\x1b[2Jb.ini\nSystemUserName=u\n"
                       "SystemPassword=p\n";
  Read r = read_text(cut_address + cut_name + after_value + escape);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.4");
  EXPECT_EQ(r.errors,
            "vornel: upload_list.txt:1: SystemIP value ends in a NUL byte; the whole group is "
            "ignored\n"
            "vornel: upload_list.txt:6: IniFileName value ends in a NUL byte; the whole group is "
            "ignored\n"
            "vornel: upload_list.txt:14: IniFileName value holds a control character; the whole "
            "group is ignored\n");
}

TEST(ReadTargetList, IniFileNameOutsideTheWorkingDirectoryRefusesTheGroup) {
  Read r = read_text(group("10.0.0.2", "../secret.ini", "u", "p") +
                     group("10.0.0.3", "site.ini", "u", "p"));
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_STREQ(r.records[0].ip_address, "10.0.0.3");
  EXPECT_EQ(r.errors,
            "vornel: upload_list.txt:2: IniFileName value leads out of the working directory; "
            "the whole group is ignored\n");
}

TEST(ReadTargetList, EmptyAndGrouplessFilesGiveNoList) {
  EXPECT_TRUE(read_text("").records.empty());
  EXPECT_TRUE(read_text("just\nnotes\n").records.empty());
  free_target_list(nullptr);  // releasing an empty list is allowed
}

}  // namespace
}  // namespace vornel

#include "platform/scard_result.h"

#include <gtest/gtest.h>

namespace cardwedge {
namespace {

// Every code the service gives when it, its context or the reader goes, and the everyday codes
// that must not be taken for a loss.
TEST(ScardResult, ClassifiesEachCodeOnce) {
  const struct {
    ScardResult code;
    ScardOutcome outcome;
  } cases[] = {
      {kScardSuccess, ScardOutcome::kSuccess},
      {0x8010001D, ScardOutcome::kServiceLost},  // SCARD_E_NO_SERVICE
      {0x8010001E, ScardOutcome::kServiceLost},  // SCARD_E_SERVICE_STOPPED
      {0x80100003, ScardOutcome::kServiceLost},  // SCARD_E_INVALID_HANDLE
      {0x80100013, ScardOutcome::kServiceLost},  // SCARD_F_COMM_ERROR
      {0x00000109, ScardOutcome::kServiceLost},  // ERROR_BROKEN_PIPE
      {0x80100009, ScardOutcome::kReaderLost},   // SCARD_E_UNKNOWN_READER
      {0x80100017, ScardOutcome::kReaderLost},   // SCARD_E_READER_UNAVAILABLE
      {0x8010002E, ScardOutcome::kReaderLost},   // SCARD_E_NO_READERS_AVAILABLE
      {0x8010000C, ScardOutcome::kOther},        // SCARD_E_NO_SMARTCARD
      {0x80100069, ScardOutcome::kOther},        // SCARD_W_REMOVED_CARD
      {0x80100002, ScardOutcome::kOther},        // SCARD_E_CANCELLED
      {0x8010000A, ScardOutcome::kOther},        // SCARD_E_TIMEOUT
      {0x8010000B, ScardOutcome::kOther},        // SCARD_E_SHARING_VIOLATION
      {0x80100066, ScardOutcome::kOther},        // SCARD_W_UNRESPONSIVE_CARD
      {0x80100016, ScardOutcome::kOther},        // SCARD_E_NOT_TRANSACTED
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(DescribeScardResult(c.code));
    EXPECT_EQ(ClassifyScardResult(c.code), c.outcome);
  }
}

TEST(ScardResult, DescribesACodeByNameAndValue) {
  EXPECT_EQ(DescribeScardResult(0x8010001D), "SCARD_E_NO_SERVICE (0x8010001D)");
  EXPECT_EQ(DescribeScardResult(0x80100072), "SCARD_W_CACHE_ITEM_TOO_BIG (0x80100072)");
  EXPECT_EQ(DescribeScardResult(0x80100050), "0x80100050");
}

}  // namespace
}  // namespace cardwedge

#include "core/failure_advice.h"

#include <gtest/gtest.h>

namespace {

struct AdviceCase {
    ExitCode code;
    SystemError error;
    FailureAdvice advice;
};

class AdviceTest : public testing::TestWithParam<AdviceCase> {};

TEST_P(AdviceTest, OurWordsForTheCommonErrorsTheSystemsForTheRest) {
    EXPECT_EQ(AdviceFor(GetParam().code, GetParam().error), GetParam().advice);
}

using A = FailureAdvice;
using C = ExitCode;

INSTANTIATE_TEST_SUITE_P(Errors, AdviceTest,
                         testing::Values(AdviceCase{C::PrinterNotCreated, 0, A::None},
                                         AdviceCase{C::PrinterNotCreated, 1796, A::PortMissing},
                                         AdviceCase{C::PrinterNotCreated, 1797, A::DriverMissing},
                                         AdviceCase{C::PrinterNotCreated, 5, A::AccessDenied},
                                         AdviceCase{C::PrinterNotCreated, 1801, A::SystemText},
                                         AdviceCase{C::RecordFileIncomplete, 5, A::AccessDenied},
                                         AdviceCase{C::RecordFileIncomplete, 32, A::SystemText},
                                         AdviceCase{C::RecordFileIncomplete, 1796, A::SystemText},
                                         AdviceCase{C::SerialPortNotConfigured, 2, A::ComPortMissing},
                                         AdviceCase{C::SerialPortNotConfigured, 1010, A::ComPortMissing},
                                         AdviceCase{C::SerialPortNotConfigured, 31, A::SystemText},
                                         AdviceCase{C::RemovalFailed, 5, A::AccessDenied},
                                         AdviceCase{C::RemovalFailed, 0, A::None}));

}  // namespace

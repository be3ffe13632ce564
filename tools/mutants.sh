#!/usr/bin/env bash
# Proof that the tests notice small faults: each mutant below is one small change to
# the product code, built into the unit tests of the host preset and run against the
# tests that should catch it. One line per mutant; exits non-zero when a mutant survives
# (the tests still pass) or does not build.
#
# A mutant costs one compile, not a build: tools/mutant_build.py compiles again only the
# objects its file goes into (for a header, every object that includes it), from a
# mutated copy, and links them with the host build's other objects into a program of
# the mutant's own. The source tree and the build stay as they are.
#
#   tools/mutants.sh            # all mutants
#   tools/mutants.sh 3 7        # only these
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# FILE | TESTS (a gtest filter over the unit tests) | TEXT | REPLACEMENT
# TEXT must stand exactly once in FILE.
mutants=$(cat <<'EOF'
core/install_sequence.cpp|Installation*:Route*|if (!spooler.PrinterExists(candidate)) {|if (spooler.PrinterExists(candidate)) {
core/install_sequence.cpp|Installation*|for (int copy = first; copy <= kMaxPrinterCopies; ++copy) {|for (int copy = first; copy < kMaxPrinterCopies; ++copy) {
core/install_sequence.cpp|Installation*|return base + std::wstring(kCopyOpen) + std::to_wstring(copy)|return base + L" " + std::wstring(kCopyOpen) + std::to_wstring(copy)
core/install_sequence.cpp|Choices*|MakeDefaultPrinter(printerName, system);|static_cast<void>(printerName);
core/install_sequence.cpp|Ports*:Installation*:MachinePorts*|ConfigureSerialPort(system.commConfig, *serial, ComDeviceName(portName));|ConfigureSerialPort(system.commConfig, *serial, portName.substr(0, 4));
core/install_sequence.cpp|Outcomes*|if (error != 0 && result.code == ExitCode::Installed) {|if (error != 0) {
core/install_sequence.cpp|Installation*:Route*|L" /r " + Quoted(portName)|L" /r " + portName
core/install_sequence.cpp|Choices*|L" /k /n " + Quoted(printerName)|L" /k " + Quoted(printerName)
core/architecture.h|Matrix*:Routes*|return architecture == kArchitectureAmd64 \|\| architecture == kArchitectureIa64 \|\||return architecture == kArchitectureAmd64 \|\|
core/architecture.h|Matrix*:Machines*|architecture == kArchitectureArm64;|false;
core/command_line.cpp|Lines*:Programs*|const std::size_t separator = line.find_first_of(L" \t");|const std::size_t separator = line.find(L' ');
core/printer_name_record.cpp|Names*|if (static_cast<unsigned long>(unit) > 0xFF) {|if (static_cast<unsigned long>(unit) >= 0xFF) {
core/serial_tables.h|Ports*:Installation*|ParityTable = {0, 2, 1, 4, 3};|ParityTable = {0, 2, 1, 3, 4};
core/serial_port.cpp|Values*|std::clamp(settings.byteSize, 5, 8)|std::clamp(settings.byteSize, 5, 7)
core/serial_port.cpp|Values*|std::clamp(settings.baudRate, 300, 128000)|std::clamp(settings.baudRate, 301, 128000)
core/serial_port.cpp|Modes*:Installation*|{0x1310, 0x202C},|{0x1310, 0x2028},
core/serial_port.cpp|*Serial*|if (size < L::kConfigSize) return kErrorInvalidData;|if (size <= L::kConfigSize) return kErrorInvalidData;
core/navigation.cpp|Rows*|if (result == PAGE_NEXT) return End(WIZARD_FINISH);|if (result == PAGE_NEXT) return End(WIZARD_CANCEL);
core/navigation.cpp|WizardExitCode*|if (wizardResult == kPageNotCreated) return ExitCode::WizardNotShown;|if (wizardResult == kPageNotCreated) return ExitCode::WizardNotFinished;
core/os_version.cpp|Rows*|return workstation ? OsChoice::Windows8 : OsChoice::Windows2000;|return workstation ? OsChoice::Windows7 : OsChoice::Windows2000;
core/port_choice.cpp|Selections*:PortChoice*|if (port.warns) return {PortChoice::SerialBoxes::Unchanged, true, true, port.spoolerName};|if (port.warns) return {PortChoice::SerialBoxes::Disable, true, true, port.spoolerName};
core/install_sequence.cpp|Installation.AQuietRun*|return quiet ? command + kQuietSwitch : command;|return command;
core/install_sequence.cpp|Installation.ANameTaken*|if (error == kErrorPrinterAlreadyExists) {|if (false) {
core/removal.cpp|Names*|if (number > kMaxPrinterCopies) return false;|if (number > kMaxPrinterCopies + 1) return false;
core/removal.cpp|Ends*|if (driver != kDriverModelName) {|if (false) {
core/removal.cpp|Spooler*|return error != kErrorPrinterDriverInUse;|return true;
core/removal.cpp|Spooler*|if (!WaitFor(kDeletionWait, [&] { return !system_.spooler.PrinterRemains(name); })) {|if (system_.spooler.PrinterRemains(name)) {
core/removal.cpp|Removal.Takes*|printer.reset();  // the spooler lets a printer go only once no handle to it is open|static_cast<void>(printer);
core/removal.cpp|Meanwhile*|if (bytes == recorded) return true;|if (bytes) return true;
core/run_log.cpp|Texts*|return c0 \|\| c1 \|\| c == 0x2028 \|\| c == 0x2029 \|\| bidi;|return c0 \|\| c1 \|\| c == 0x2029 \|\| bidi;
core/options.cpp|Lines*|[](const O& o) { return o.remove; }|[](const O& o) { return !o.remove; }
core/elevation.cpp|Outcomes*|case Outcome::ExitCodeUnread:|case Outcome::ExitCodeUnread: break;
core/elevation.cpp|Paths*|if (unc.back() == L'\\') unc.pop_back();|static_cast<void>(unc);
core/inf_file.cpp|Decorations*|if (decoration.architecture.value_or(DriverEnvironment::X86) != environment) continue;|if (decoration.architecture.value_or(environment) != environment) continue;
core/inf_file.cpp|Decorations*|return environment == DriverEnvironment::X86 ? FindSection(manufacturer.base) : nullptr;|return FindSection(manufacturer.base);
core/inf_file.cpp|Syntax*|} else if (c == L';' && !quoted) {|} else if (c == L';') {
core/inf_file.cpp|Decorations*:Syntax*|while (!fields.empty() && fields.back().empty()) fields.pop_back();|static_cast<void>(fields);
core/ports.cpp|Forms*:Ports*:MachinePorts*|if (!AllDigits(number) \|\| number.size() > 3 \|\| number.front() == L'0') return std::nullopt;|if (!AllDigits(number) \|\| number.size() > 3) return std::nullopt;
core/ports.cpp|Devices*:MachinePorts*|if (ports.size() == 1) return {UsbPortSearch::Outcome::Found, ports.front().port, false};|if (!ports.empty()) return {UsbPortSearch::Outcome::Found, ports.front().port, false};
core/install_sequence.cpp|MachinePorts*|if (std::any_of(ports->begin(), ports->end(), same)) return {};|return {};
core/install_sequence.cpp|Installation.AMissing*|return has ? MissingDriver::NotTrusted : MissingDriver::NoSection;|return MissingDriver::NotTrusted;
core/default_printer.cpp|Users*|if (error != 0) static_cast<void>(registry.DeleteKey(key));|static_cast<void>(key);
core/default_printer.cpp|Users*:DefaultForEachUser*|if (!system.systemInfo.RunsAsSystemAccount()) {|if (true) {
core/default_printer.cpp|Moments*|time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);|time.year = yearOfEra + era * 400 + (time.month < 2 ? 1 : 0);
core/default_printer.cpp|DefaultForEachUser*|if (error == kErrorFileNotFound) return;|if (error != 0) return;
core/options.cpp|Lines*|{&OptionRow::notWithQuiet, [](const O& o) { return o.quiet; }, OptionError::Reason::NotWithQuiet},|
core/options.cpp|Lines*|if (value.empty() \|\| value.size() > kMaxHandbackLength) return std::nullopt;|if (value.empty()) return std::nullopt;
core/elevation.h|Runs*|const bool standardUser = token == TokenKind::Ordinary && !elevated;|const bool standardUser = token == TokenKind::Ordinary;
core/elevation.cpp|Choices*|add(L"/nodefault");|static_cast<void>(add);
core/machine_plan.cpp|Machines*|plan.handOver = !facts.program64Bit && facts.runsX64Programs;|plan.handOver = !facts.program64Bit;
core/machine_plan.cpp|Installation.OnArm64*|return route == DriverRoute::SysnativeRundll32 ? SystemFolder::Native : SystemFolder::Program;|return SystemFolder::Program;
core/install_sequence.cpp|Installation.OnArm64*|if (!inf \|\| inf->HasModelsFor(DriverEnvironment::Arm64, request.windowsVersion)) return false;|if (!inf) return false;
EOF
)

mapfile -t rows <<<"$mutants"
chosen=("$@")
[ ${#chosen[@]} -eq 0 ] && mapfile -t chosen < <(seq 1 ${#rows[@]})

# Each mutant's work: its mutated file under $scratch/<n>/src, its objects and program.
scratch=$(mktemp -d /tmp/kestrin-mutants.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
build=$root/build/host
program=tests/unit/kestrin_unit_tests
tests=$build/$program
echo "== mutants: against the unit tests of $build"
log=$scratch/build.log
if ! { { [ -f "$build/build.ninja" ] || cmake --preset host; } >"$log" 2>&1 &&
    cmake --build --preset host --target kestrin_unit_tests >>"$log" 2>&1; }; then
    cat "$log"
    echo "mutants: the unmutated tree does not build" >&2
    exit 1
fi
if ! "$tests" --gtest_brief=1 >/dev/null; then
    echo "mutants: the unit tests fail on the unmutated tree" >&2
    exit 1
fi

# Literal text replacement, exactly once; the texts come in through the environment.
replace_once() {
    FROM=$2 TO=$3 perl -0777 -i -pe '
        my $n = () = /\Q$ENV{FROM}\E/g;
        die "found $n times\n" unless $n == 1;
        s/\Q$ENV{FROM}\E/$ENV{TO}/;' "$1"
}

# Builds the program for FILE from the copy under WORK/src; prints its path.
build_mutant() {
    local file=$1 work=$2
    tools/mutant_build.py "$build" "$program" "$root/$file" "$work" 2>"$work/build.log"
}

# The way of building must itself be sound, or a program that fails for another reason
# would catch every mutant: built so from an unchanged header that goes into an object
# of the core library and one of the tests (a small one of each), the program must pass
# every test.
unchanged_file=core/os_version.h
work=$scratch/unchanged
mkdir -p "$work/src/$(dirname "$unchanged_file")"
cp "$unchanged_file" "$work/src/$unchanged_file"
if ! unchanged=$(build_mutant "$unchanged_file" "$work") || ! "$unchanged" --gtest_brief=1 >/dev/null 2>&1; then
    cat "$work/build.log"
    echo "mutants: the unit tests rebuilt from an unchanged $unchanged_file fail" >&2
    exit 1
fi

# One mutant: prints its line; fails when it survives or cannot be applied or built.
run_mutant() {
    local n=$1 row=${rows[$(($1 - 1))]:-} file filter from to work mutant
    [ -n "$row" ] || { echo "mutant $n: no such mutant"; return 1; }
    # A bar inside a text is written \|.
    IFS=$'\x1f' read -r file filter from to <<<"$(sed -e 's/\\|/\x1e/g' -e 's/|/\x1f/g' -e 's/\x1e/|/g' <<<"$row")"
    work=$scratch/$n
    mkdir -p "$work/src/$(dirname "$file")"
    cp "$file" "$work/src/$file"
    if ! error=$(replace_once "$work/src/$file" "$from" "$to" 2>&1); then
        printf 'mutant %2d  %-28s NOT APPLIED (%s)\n' "$n" "$file" "$error"
        return 1
    elif ! mutant=$(build_mutant "$file" "$work"); then
        printf 'mutant %2d  %-28s DOES NOT BUILD: %s\n' "$n" "$file" "$to"
        sed -n '1,5s/^/    /p' "$work/build.log"
        return 1
    elif "$mutant" --gtest_filter="$filter" --gtest_brief=1 >/dev/null 2>&1; then
        printf 'mutant %2d  %-28s SURVIVED %s: %s\n' "$n" "$file" "$filter" "$to"
        return 1
    fi
    printf 'mutant %2d  %-28s caught by %s\n' "$n" "$file" "$filter"
    rm -rf "$work"
}

# The mutants run side by side, as many as there are processors; their lines come in
# their order.
jobs=$(nproc)
running=0
for n in "${chosen[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    mkdir -p "$scratch/$n"
    (run_mutant "$n" >"$scratch/$n.line" 2>&1; echo $? >"$scratch/$n.status") &
    running=$((running + 1))
done
wait
survived=0
for n in "${chosen[@]}"; do
    cat "$scratch/$n.line"
    [ "$(cat "$scratch/$n.status")" = 0 ] || survived=1
done
exit $survived

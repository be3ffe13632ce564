#!/usr/bin/env python3
"""Builds one mutant of a test program from the objects of an existing build tree.

    mutant_build.py BUILD PROGRAM FILE WORK

BUILD is a built CMake tree (Ninja, with compile_commands.json), PROGRAM the program's
path in it (tests/unit/kestrin_unit_tests), FILE a source file or header of the project,
given by its absolute path, and WORK a folder that holds the mutated copy of FILE at
WORK/src/<FILE relative to the source tree>. Every object of PROGRAM that FILE goes into
(the file's own object, or every object whose recorded dependencies name the header) is
compiled again with the build's own command, from the mutated copy; the program is then
linked with the build's own command into WORK/<program name>, with those objects in
place of the build's. Nothing in BUILD changes. Prints the program's path.

The objects compiled again are not optimised (-O0; but for those with a precompiled
header, which must keep its options), which makes them quicker to build, and warnings do
not fail them: a mutant must be caught by a test, not by -Werror.
"""
import json
import os
import shlex
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor


def fail(message):
    sys.exit(f"mutant_build.py: {message}")


def run(command, cwd):
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        fail(f"failed in {cwd}: {shlex.join(command)}\n{result.stdout}")
    return result.stdout


def output_of(arguments):
    for i, argument in enumerate(arguments[:-1]):
        if argument == "-o":
            return arguments[i + 1]
    return None


def main():
    if len(sys.argv) != 5:
        fail("usage: mutant_build.py BUILD PROGRAM FILE WORK")
    build, program, file, work = (os.path.abspath(sys.argv[1]), sys.argv[2], os.path.abspath(sys.argv[3]),
                                  os.path.abspath(sys.argv[4]))

    # The link: the step of `ninja -t commands PROGRAM` that writes PROGRAM (CMake chains
    # it with the test discovery in one line).
    commands = run(["ninja", "-C", build, "-t", "commands", program], build).splitlines()
    link = None
    for step in reversed(commands):
        for piece in step.split(" && "):
            arguments = shlex.split(piece)
            if output_of(arguments) == program:
                link = arguments
        if link:
            break
    if not link:
        fail(f"no link step for {program} in {build}")

    # Each object's compile command, and the files it was last built from.
    objects = {}
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as database:
        for entry in json.load(database):
            arguments = shlex.split(entry["command"])
            objects[output_of(arguments)] = (entry["directory"], arguments, os.path.abspath(entry["file"]))
    dependencies = {}
    current = None
    for line in run(["ninja", "-C", build, "-t", "deps"], build).splitlines():
        if line and not line[0].isspace():
            current = line.split(": #deps")[0]
            dependencies[current] = set()
        elif line.strip() and current:
            dependencies[current].add(os.path.normpath(os.path.join(build, line.strip())))

    # The objects of the program, its own and those in the project's archives it links.
    own = [argument for argument in link if argument in objects]
    archives = {}
    for argument in link:
        if argument.endswith(".a") and os.path.isfile(os.path.join(build, argument)):
            members = run(["ar", "t", argument], build).split()
            folder = os.path.dirname(argument)
            for member in members:
                for name in objects:
                    if os.path.basename(name) == member and os.path.dirname(os.path.dirname(os.path.dirname(name))) == folder:
                        archives.setdefault(argument, []).append(name)
    candidates = own + [name for names in archives.values() for name in names]
    for name in candidates:
        if name not in dependencies:
            fail(f"{name} has no recorded dependencies: build {program} in {build} first")
    affected = [name for name in candidates if objects[name][2] == file or file in dependencies[name]]
    if not affected:
        fail(f"{file} goes into no object of {program}")

    # The mutated copy stands where FILE stands in the source tree, under WORK/src; that
    # folder comes first on the include path, so the copy of a header wins.
    project = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    source_root = os.path.join(work, "src")
    mutated = os.path.join(source_root, os.path.relpath(file, project))
    if not os.path.isfile(mutated):
        fail(f"no mutated copy at {mutated}")

    def compile_object(index_and_name):
        index, name = index_and_name
        directory, arguments, _ = objects[name]
        target = os.path.join(work, "obj", str(index), os.path.basename(name))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        command = [arguments[0], "-I" + source_root]
        for i, argument in enumerate(arguments[1:], start=1):
            if arguments[i - 1] == "-o":
                command.append(target)
            elif os.path.isabs(argument) and os.path.abspath(argument) == file:
                command.append(mutated)
            else:
                command.append(argument)
        # Unoptimised, as a mutant's objects are only ever run once: quicker to compile. Not
        # a test object built with a precompiled header, which GCC takes only with the
        # options it was made with: without it, the test would take twice as long.
        precompiled = any("cmake_pch" in argument for argument in arguments)
        command += ["-Wno-error"] if precompiled else ["-O0", "-Wno-error"]
        run(command, directory)
        return name, target

    with ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
        rebuilt = dict(pool.map(compile_object, enumerate(affected)))

    # Copies of the archives with the new objects in place of their members (an archive
    # member is named after its object's file name).
    replaced_archives = {}
    for archive, names in archives.items():
        new_members = [rebuilt[name] for name in names if name in rebuilt]
        if not new_members:
            continue
        copy = os.path.join(work, "lib", os.path.basename(archive))
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        shutil.copyfile(os.path.join(build, archive), copy)
        run(["ar", "r", copy] + new_members, build)
        replaced_archives[archive] = copy

    result = os.path.join(work, os.path.basename(program))
    command = []
    for i, argument in enumerate(link):
        if i > 0 and link[i - 1] == "-o":
            command.append(result)
        else:
            command.append(rebuilt.get(argument, replaced_archives.get(argument, argument)))
    run(command, build)
    print(result)


if __name__ == "__main__":
    main()

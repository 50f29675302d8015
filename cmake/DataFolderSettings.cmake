# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Points a build folder's program at the user's data folder, so that the words taught to a
# program run from the build (scripts/run) outlive the build folder, as an installed copy's do:
#   cmake -DPROGRAM_DIR=build/bin -P cmake/DataFolderSettings.cmake
#
# Writes PROGRAM_DIR/donguri.ini naming <data folder>/どんぐりくん.mdb when the file is missing,
# or when it names the knowledge base beside the program (what a first start there writes). A
# knowledge base already beside the program is moved to the data folder once, unless the data
# folder has one too, a program of that folder is running, or its log lies beside it; then both
# stay where they are and donguri.ini is not changed. Any other donguri.ini is the developer's
# choice and is left alone. The data folder is the program's own: $XDG_DATA_HOME/donguri, or
# ~/.local/share/donguri.
cmake_minimum_required(VERSION 3.22)

if(NOT PROGRAM_DIR)
  message(FATAL_ERROR "usage: cmake -DPROGRAM_DIR=<the build's bin folder> -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()
file(REAL_PATH "${PROGRAM_DIR}" program_dir)
set(settings "${program_dir}/donguri.ini")
set(program_kb "${program_dir}/どんぐりくん.mdb")

# The same folder Qt gives the program (QStandardPaths::AppDataLocation); a relative
# XDG_DATA_HOME is ignored, as the XDG base directory rules say.
if(DEFINED ENV{XDG_DATA_HOME} AND IS_ABSOLUTE "$ENV{XDG_DATA_HOME}")
  set(data_dir "$ENV{XDG_DATA_HOME}/donguri")
elseif(DEFINED ENV{HOME} AND IS_ABSOLUTE "$ENV{HOME}")
  set(data_dir "$ENV{HOME}/.local/share/donguri")
else()
  message("${settings} is not written: neither XDG_DATA_HOME nor HOME names a folder.")
  return()
endif()
set(data_kb "${data_dir}/どんぐりくん.mdb")

# The first line of donguri.ini, or "" when it is not a regular file of at most 64 KiB holding
# one (the program reads no more; reading a FIFO would wait for ever).
function(read_settings_line out)
  set(line "")
  if(EXISTS "${settings}" AND NOT IS_DIRECTORY "${settings}")
    file(SIZE "${settings}" size)
    if(size GREATER 0 AND size LESS_EQUAL 65536)
      file(READ "${settings}" line)
      foreach(end "\r" "\n")
        string(FIND "${line}" "${end}" at)
        if(at GREATER_EQUAL 0)
          string(SUBSTRING "${line}" 0 ${at} line)
        endif()
      endforeach()
    endif()
  endif()
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# The logs SQLite keeps beside a knowledge base while it is open, or after a program using it
# ended abruptly: a file moved without them loses what they hold.
function(find_logs kb out)
  set(logs "")
  foreach(suffix -wal -shm -journal)
    if(EXISTS "${kb}${suffix}")
      list(APPEND logs "${kb}${suffix}")
    endif()
  endforeach()
  set(${out} "${logs}" PARENT_SCOPE)
endfunction()

# The processes running a program of PROGRAM_DIR (a rebuilt one shows as "… (deleted)").
function(find_running_programs out)
  execute_process(
    COMMAND find /proc -mindepth 2 -maxdepth 2 -name exe -lname "${program_dir}/*"
    OUTPUT_VARIABLE found ERROR_QUIET)
  string(REGEX MATCHALL "/proc/[0-9]+" processes "${found}")
  string(REPLACE "/proc/" "" processes "${processes}")
  set(${out} "${processes}" PARENT_SCOPE)
endfunction()

# Renames `from` to `to` unless `to` exists. CMake (3.25) does it by a hard link, and leaves the
# old name: that link goes too.
function(rename_without_replacing from to out)
  file(RENAME "${from}" "${to}" NO_REPLACE RESULT renamed)
  if(renamed EQUAL 0 AND EXISTS "${from}")
    file(REMOVE "${from}")
  endif()
  set(${out} "${renamed}" PARENT_SCOPE)
endfunction()

# Moves `from` to `to`, never over an existing file: a rename on one file system, otherwise a
# copy checked byte for byte before the original goes.
function(move_file from to)
  rename_without_replacing("${from}" "${to}" renamed)
  if(renamed EQUAL 0)
    return()
  endif()
  set(part "${to}.part")
  file(REMOVE "${part}")
  file(COPY_FILE "${from}" "${part}" RESULT copied)
  if(NOT copied EQUAL 0)
    file(REMOVE "${part}")
    message(FATAL_ERROR "cannot copy ${from} to ${part}: ${copied}")
  endif()
  file(SHA256 "${from}" original)
  file(SHA256 "${part}" copy)
  if(NOT original STREQUAL copy)
    file(REMOVE "${part}")
    message(FATAL_ERROR "the copy of ${from} in ${part} differs from it; nothing was moved")
  endif()
  rename_without_replacing("${part}" "${to}" placed)
  if(NOT placed EQUAL 0)
    file(REMOVE "${part}")
    message(FATAL_ERROR "cannot move ${part} to ${to}: ${placed}")
  endif()
  file(REMOVE "${from}")
endfunction()

# Whether the knowledge base beside the program may go to the data folder; says why not.
function(check_movable out)
  set(${out} FALSE PARENT_SCOPE)
  find_logs("${data_kb}" data_logs)
  if(EXISTS "${data_kb}" OR data_logs)
    message("${program_kb} and ${data_kb} both exist: both are kept as they are, and the "
            "program in ${program_dir} goes on using the first. To keep its words in the data "
            "folder, add them to the other with\n"
            "  ${program_dir}/donguri-kb copy '${program_kb}' '${data_kb}' --append\n"
            "then remove ${program_kb} and ${settings}, and start scripts/run again.")
    return()
  endif()
  find_running_programs(running)
  if(running)
    string(REPLACE ";" ", " running "${running}")
    message("${program_kb} is not moved to ${data_kb} while a program of ${program_dir} runs "
            "(process ${running}): close it and start scripts/run again.")
    return()
  endif()
  find_logs("${program_kb}" logs)
  if(logs)
    string(REPLACE ";" ", " logs "${logs}")
    message("${program_kb} is not moved to ${data_kb}: its log lies beside it (${logs}), "
            "so a program has it open or ended without closing it. Start and close "
            "${program_dir}/donguri once, then start scripts/run again.")
    return()
  endif()
  set(${out} TRUE PARENT_SCOPE)
endfunction()

if(EXISTS "${settings}" OR IS_SYMLINK "${settings}")
  read_settings_line(line)
  if(NOT line STREQUAL program_kb)
    return() # the developer's own choice, or already the data folder
  endif()
endif()

if(EXISTS "${program_kb}")
  check_movable(movable)
  if(NOT movable)
    return()
  endif()
  file(MAKE_DIRECTORY "${data_dir}")
  move_file("${program_kb}" "${data_kb}")
  message("Your knowledge base moved out of the build folder, from ${program_kb} to "
          "${data_kb}: removing the build folder no longer removes it.")
endif()

file(MAKE_DIRECTORY "${data_dir}")
string(ASCII 13 10 crlf)
file(WRITE "${settings}.new" "${data_kb}${crlf}")
file(RENAME "${settings}.new" "${settings}")
message("${settings} names ${data_kb}, the knowledge base an installed copy uses.")

# Builds the Windows Installer package from brisel.wxs with wixl and msibuild (msitools):
#   cmake -DVERSION=1.01 -DSOURCE_DIR=... -DBINARY_DIR=... -DHOMEPAGE=... -DOUTPUT=x.msi -P msi.cmake
# BINARY_DIR holds app/brisel.exe, app/brisel-convert.exe and LICENSE.txt.
foreach(variable VERSION SOURCE_DIR BINARY_DIR HOMEPAGE OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "msi.cmake needs -D${variable}=...")
    endif()
endforeach()

# One ProductCode per version, made from the UpgradeCode: building the same version again
# gives the same product, which Windows repairs or refuses instead of installing it twice.
string(UUID product_code NAMESPACE ECFD6EE6-05B4-414F-BBC3-1BD061093A30 NAME "brisel ${VERSION}" TYPE SHA1 UPPER)

# wixl finds files only by relative paths, from the folder it runs in.
file(RELATIVE_PATH source_dir ${BINARY_DIR} ${SOURCE_DIR})
set(unfinished ${OUTPUT}.unfertig)
file(REMOVE ${unfinished})
execute_process(
    COMMAND wixl --arch x64 -D Version=${VERSION} -D ProductCode=${product_code} -D Homepage=${HOMEPAGE}
            -D SourceDir=${source_dir} -o ${unfinished} ${SOURCE_DIR}/packaging/brisel.wxs
    WORKING_DIRECTORY ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)

# What wixl cannot write: ARBEITSORDNER as a property that msiexec passes on from the
# command line to the installation, and the working folder writable for every user
# (SYSTEM and Administrators in full, Users may change, by SID, so any language of Windows).
execute_process(
    COMMAND msibuild ${unfinished}
            -q "UPDATE `Property` SET `Value` = 'ARBEITSORDNER;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"
            -i ${SOURCE_DIR}/packaging/MsiLockPermissionsEx.idt
    COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${unfinished} ${OUTPUT})

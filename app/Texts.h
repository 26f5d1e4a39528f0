// The installer's own texts.
#pragma once

#include <cstdint>
#include <string>

namespace texts {

inline const std::string kBootPreparing =
    "Setup is preparing the Calderwick(r) Wizard which will guide you through the rest of the "
    "setup process. Please wait.";
inline const std::string kCorrupt = "Setup is corrupt! Cannot load!";
// kCorrupt, with the folder where SETUP.INS was looked for; a folder in the
// temporary folder is most likely one file extracted from a compressed folder.
inline std::string CorruptIn(const std::string& folder, bool temporary) {
  std::string text = kCorrupt + "\r\n\r\nSetup looked for its file SETUP.INS in the folder \"" +
                     folder + "\".";
  if (temporary) {
    text +=
        "\r\n\r\nThat folder lies in the temporary folder: Setup may have been started from inside a "
        "compressed (ZIP) folder. Extract all files of the package first, then start SETUP.EXE from the "
        "extracted folder.";
  }
  return text;
}
inline std::string FolderNotPlain(const std::string& folder) {
  return "Setup cannot open its files in the folder \"" + folder +
         "\": the folder's name has characters that this system cannot use here.\r\n\r\n"
         "Move the package to a folder with a plain name (letters A to Z, digits) and start "
         "Setup again.";
}
inline std::string CannotMakeDestination(const std::string& dir, const std::string& reason) {
  return "Setup cannot create the destination directory \"" + dir + "\". " + reason;
}
// A data file that does not match the hash SETUP.EXE holds for it.
inline std::string DataFileChanged(const std::string& file) {
  return "The file \"" + file +
         "\" is not the one this Setup program was made with: the package is damaged or was changed.\r\n\r\n"
         "Nothing more is installed. Obtain the package again and start Setup again.";
}
inline const std::string kNoDestination =
    "No destination directory is set. Click Browse to choose one.";

inline std::string Welcome(const std::string& p) {
  return "Welcome to the " + p + " Setup program. This program will install " + p +
         " on your computer.";
}
inline std::string Destination(const std::string& p) {
  return "Setup will install " + p + " in the following directory.";
}
inline std::string LicenseQuestion(const std::string& p) {
  return "Do you accept all the terms of the preceding License Agreement?  If you choose No,  "
         "Setup will close.  To Install " +
         p + ", you must accept this agreement.";
}
inline std::string Finished(const std::string& p) {
  return "Setup has finished installing " + p + " on your computer.";
}
// Next on Destination when the files need more than the drive has free.
inline std::string NotEnoughSpace(const std::string& dir, std::uint64_t needed, std::uint64_t free) {
  const auto kb = [](std::uint64_t n) { return std::to_string((n + 1023) / 1024) + " KB"; };
  return "There is not enough free space on the drive of " + dir + ": Setup needs " + kb(needed) + ", and " +
         kb(free) + " are free.\r\n\r\nInstall anyway? Choose No to choose another directory.";
}
// The Complete page after a restore that reported an error: it must not read
// as a success.
inline std::string NotFinished(const std::string& p) {
  return "Setup could not finish installing " + p + " on your computer.";
}

inline const std::string kWelcomeDesign =
    "Welcome to the * Setup program. This program will install * on your computer.";
inline const std::string kLicenseDesign =
    "Do you accept all the terms of the preceding License Agreement? If you choose No,  Setup "
    "will close.  To install *, you must accept this agreement.";
inline const std::string kDestinationDesign = "Setup will install * in the following directory.";
inline const std::string kFinishedDesign = "Setup has finished installing * on your computer.";

inline const std::string kWelcomeAdvice =
    "It is strongly recommended that you exit all Windows programs before running this Setup "
    "program.\r\n\r\n"
    "Click Cancel to quit Setup and then close any programs you have running. Click Next to "
    "continue with the Setup program.\r\n\r\n\r\n\r\n\r\n\r\n";
inline const std::string kLicenseIntro =
    "Please read the following License Agreement. Press the PAGE DOWN key to see the rest of the "
    "agreement.";
inline const std::string kDestinationAdvice =
    "To install to this directory, click Next.\r\n\r\n"
    "To install to a different directory, click Browse and select another directory.\r\n\r\n"
    "You can choose not to install by clicking Cancel to exit Setup";
inline const std::string kClickFinish = "Click Finish to complete Setup.";
inline const std::string kTransferOf = "Transfer of File: ";
inline const std::string kExitQuestion =
    "Setup is not complete.  If you quit the Setup program now, the program will not be "
    "installed.\r\n\r\n"
    "You may run the Setup program at a later time to complete the installation.\r\n\r\n"
    "To continue installing the program, click Resume.  To quit the Setup program, click Exit "
    "Setup.";

// Captions.
inline const std::string kNext = "&Next >";
inline const std::string kBack = "< &Back";
inline const std::string kCancel = "Cancel";
inline const std::string kYes = "&Yes";
inline const std::string kNo = "&No";
inline const std::string kFinish = "Finish";
inline const std::string kLicenseCaption = "Software License Agreement";
inline const std::string kDestinationCaption = "Select Destination Directory";

}  // namespace texts

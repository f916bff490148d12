# SPDX-License-Identifier: GPL-3.0-or-later
# Writes OUTPUT: imuserial.h as the module vendor's library declares it, where
# the operations ours reports a result for return nothing. Only isDeivceOpen,
# the calibration-mode and the gyroscope-bias calls keep their bool. The count
# of missed samples is ours alone: its declaration goes.
function(orvik_write_vendor_interface input output)
  file(READ ${input} header)
  set(void_operations
    "start_data_ransmission|stop_data_ransmission|set_data_rate|RecordQuaternionOffset|ResetQuaternionOffset|read_imu1_calibration_data|read_imu2_calibration_data|read_mag_calibration_data|write_imu1_calibration_data|write_imu2_calibration_data|write_mag_calibration_data|getVersion|getSN|setSN|JumpDFU")
  set(pattern "bool (${void_operations})\\(")
  string(REGEX MATCHALL "${pattern}" found "${header}")
  list(LENGTH found count)
  if(NOT count EQUAL 15)
    message(FATAL_ERROR "imuserial.h: expected 15 operations to turn into void ones, found ${count}")
  endif()
  string(REGEX REPLACE "${pattern}" "void \\1(" header "${header}")

  set(ours_only "std::uint64_t missedSamples\\(\\) const")
  string(REGEX MATCHALL "${ours_only}" found "${header}")
  list(LENGTH found count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "imuserial.h: expected 1 declaration of missedSamples to remove, found ${count}")
  endif()
  string(REGEX REPLACE "${ours_only};" "" header "${header}")
  file(WRITE ${output} "${header}")
endfunction()

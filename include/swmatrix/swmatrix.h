/* swmatrix: the host interface of libswmatrix.so.
 *
 * A host creates a driver by its type key, receives a 16-bit device ID and
 * passes that ID to every other call. Every call returns a status: 0 for
 * success, otherwise a code of the 0x30000000 family; GetErrorString gives
 * its text.
 * Usable from C, C++ and Python ctypes.
 */
#ifndef SWMATRIX_SWMATRIX_H
#define SWMATRIX_SWMATRIX_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SWM_CALL __stdcall
#else
#define SWM_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t SwmStatus;
typedef uint32_t SwmWindow; /* host window handle; 0 = no owner window */

/* Generic status codes. */
#define DRV_OK 0x00000000u
#define DRV_ERR_NOT_IMPLEMENTED 0x300000CBu
#define DRV_ERR_UNKNOWN_SET_VALUE_ID 0x300000CCu
#define DRV_ERR_UNKNOWN_GET_VALUE_ID 0x300000CDu
#define DRV_ERR_WRONG_DEVICE 0x300000CEu
#define DRV_ERR_UNKNOWN_DEVICE_TYPE 0x300000CFu
#define DRV_ERR_UNKNOWN_DEVICE_ID 0x300000D0u
#define DRV_ERR_UNKNOWN_INFO_ID 0x300000D3u
#define DRV_ERR_UNKNOWN_SETTING_ID 0x300000D4u
#define DRV_ERR_HOST_VERSION_TOO_OLD 0x300000D7u
#define DRV_ERR_REENTRY_LIMIT 0x300000F1u
#define DRV_ERR_DIALOG_UNAVAILABLE 0x300000F2u /* no display: dialogs cannot be shown */
#define DRV_ERR_SETTINGS_NOT_SAVED 0x300000F3u /* SaveConfiguration could not write every value */
#define DRV_ERR_TCP_RESPONSE_TOO_LARGE 0x300002E4u
#define DRV_ERR_VISA_NOT_FOUND 0x300002E5u
#define DRV_ERR_USER_CANCELLED 0x30000007u

/* Value IDs of SetValue / GetValue / GetValueString. */
#define SWM_VALUE_SET_CW_FREQUENCY 2u
#define SWM_VALUE_SET_INFORMATION_ITEMS 3u
#define SWM_VALUE_SET_SPECIFIC_SETTING 4u
#define SWM_VALUE_SET_HOST_VERSION 5u
#define SWM_VALUE_GET_SPECIFIC_SETTING 53u
#define SWM_VALUE_GET_SPECIFIC_SETTING_STATE 54u
#define SWM_VALUE_GET_SPECIFIC_INPUT 55u
#define SWM_VALUE_CHECK_DEVICE_ON_STREAM 56u
#define SWM_VALUE_TOWER_GO_TO_HEIGHT 1200u
#define SWM_VALUE_TOWER_SET_POLARIZATION 1201u
#define SWM_VALUE_TOWER_STOP_MOVEMENT 1202u
#define SWM_VALUE_TOWER_POSITION_PROGRESS 1250u
#define SWM_VALUE_TOWER_CURRENT_HEIGHT 1251u
#define SWM_VALUE_TOWER_CURRENT_POLARIZATION 1252u
#define SWM_VALUE_TOWER_MINIMUM_HEIGHT 1253u
#define SWM_VALUE_TOWER_MAXIMUM_HEIGHT 1254u
#define SWM_VALUE_EVENT 1500u   /* Data1: const uint32_t* event, Data2: const double* value */
#define SWM_VALUE_REQUEST 1550u /* Data1: const uint32_t* request, Data2: answer */

/* Settings of SetSetting and info codes of GetInfo. */
#define SWM_SETTING_USE_DOUBLES 4003u
#define SWM_SETTING_USE_MILLIHZ_FREQUENCY 4004u
#define SWM_INFO_DOUBLE_SET_GET_VALUE 3003u

/* Host events (SWM_VALUE_EVENT), numbered from 1. */
enum SwmEvent {
  SWM_EVENT_TestStarted = 1, SWM_EVENT_TestStopped, SWM_EVENT_InitialisationStarted,
  SWM_EVENT_InitialisationStopped, SWM_EVENT_ManualModeEnter, SWM_EVENT_ManualModeLeave,
  SWM_EVENT_FrequencyChanged, SWM_EVENT_CarrierLevelChanged, SWM_EVENT_DwellTimeStarted,
  SWM_EVENT_DwellTimeStopped, SWM_EVENT_AverageFieldMeasured, SWM_EVENT_CalculatedField,
  SWM_EVENT_PowerTestStarted, SWM_EVENT_PowerTestStopped, SWM_EVENT_DeviceDriverCheckStarted,
  SWM_EVENT_DeviceDriverCheckStopped, SWM_EVENT_DeviceDriverInitStarted,
  SWM_EVENT_DeviceDriverInitStopped, SWM_EVENT_MeasuringCurrent, SWM_EVENT_CurrentMeasured,
  SWM_EVENT_MeasuringSensorPower, SWM_EVENT_SensorPowerMeasured, SWM_EVENT_MeasuringForwardPower,
  SWM_EVENT_ForwardPowerMeasured, SWM_EVENT_MeasuringReflectedPower,
  SWM_EVENT_ReflectedPowerMeasured, SWM_EVENT_MeasuringADConvertor, SWM_EVENT_MeasuringFieldSensor,
  SWM_EVENT_ForwardPowerZeroStarted, SWM_EVENT_ForwardPowerZeroStopped,
  SWM_EVENT_ReflectedPowerZeroStarted, SWM_EVENT_ReflectedPowerZeroStopped,
  SWM_EVENT_SensorPowerZeroStarted, SWM_EVENT_SensorPowerZeroStopped,
  SWM_EVENT_FieldSensorZeroStarted, SWM_EVENT_FieldSensorZeroStopped, SWM_EVENT_ModulationType,
  SWM_EVENT_ModulationFrequency, SWM_EVENT_ModulationSpecificParameter, SWM_EVENT_ModulationOn,
  SWM_EVENT_ModulationOff, SWM_EVENT_OutPowerZeroStarted, SWM_EVENT_OutPowerZeroStopped,
  SWM_EVENT_MeasuringOutPower, SWM_EVENT_OutPowerMeasured, SWM_EVENT_FieldSensorMeasured,
  SWM_EVENT_AntennaMovementStarted, SWM_EVENT_AntennaMovementStopped,
  SWM_EVENT_AntennaMovementPercentage, SWM_EVENT_AntennaMovementChangingPolarisation,
  SWM_EVENT_TurnTableMovementStarted, SWM_EVENT_TurnTableMovementStopped,
  SWM_EVENT_TurnTableMovementTurningPercentage, SWM_EVENT_CalculatedCurrent,
  SWM_EVENT_CalculatedVoltage, SWM_EVENT_CalculatedMagneticField, SWM_EVENT_NetPower,
  SWM_EVENT_MeasuringForwardPowerBurst, SWM_EVENT_ForwardPowerBurstMeasured,
  SWM_EVENT_MeasuringForwardPowerLogging, SWM_EVENT_ForwardPowerLoggingMeasured,
  SWM_EVENT_SendPilotInterfaceData, SWM_EVENT_AntennaPolarisationChanged,
  SWM_EVENT_RotPositionerMovementStarted, SWM_EVENT_RotPositionerMovementStopped,
  SWM_EVENT_RotPositionerMovementTurningPercentage, SWM_EVENT_XYPositionerXMovementStopped,
  SWM_EVENT_XYPositionerXMovementTurningPercentage, SWM_EVENT_XYPositionerXMovementStarted,
  SWM_EVENT_LinearMovementStarted, SWM_EVENT_LinearMovementStopped,
  SWM_EVENT_LinearMovementPercentage, SWM_EVENT_XYPositionerYMovementStopped,
  SWM_EVENT_XYPositionerYMovementStarted, SWM_EVENT_XYPositionerYMovementTurningPercentage,
  SWM_EVENT_StirrerMovementStarted, SWM_EVENT_StirrerMovementStopped,
  SWM_EVENT_StirrerMovementTurningPercentage, SWM_EVENT_StirrerRotationStarted,
  SWM_EVENT_StirrerRotationStopped, SWM_EVENT_StirrerRotationTurningPercentage,
  SWM_EVENT_PositionerPositionMovementStarted, SWM_EVENT_PositionerPositionMovementStopped,
  SWM_EVENT_PositionerPositionMovementPercentage
};

/* Host requests (SWM_VALUE_REQUEST). */
enum SwmRequest {
  SWM_REQUEST_InterlockClosed = 1,      /* answer: uint32_t, non-zero = closed */
  SWM_REQUEST_DwellTimeStartOk = 2,     /* answer: uint32_t */
  SWM_REQUEST_DwellTimeStopOk = 3,      /* answer: uint32_t */
  SWM_REQUEST_RetrievePilotInterfaceData = 4 /* answer: text in a char buffer */
};

/* The 18 exports. DeviceID travels in a 32-bit slot; only the low 16 bits count. */
SwmStatus SWM_CALL CreateNewDeviceDriver(SwmWindow hWnd, const char* typeKey, uint16_t* deviceId);
SwmStatus SWM_CALL RemoveDeviceDriver(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL Registered(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL UnRegistered(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL CheckDevice(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL InitDevice(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL DeInitDevice(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL ShowConfigurationDialog(SwmWindow hWnd, uint32_t deviceId);
SwmStatus SWM_CALL LoadConfiguration(SwmWindow hWnd, uint32_t deviceId, const char* fileName);
SwmStatus SWM_CALL SaveConfiguration(SwmWindow hWnd, uint32_t deviceId, const char* fileName);
SwmStatus SWM_CALL GetDriverVersion(SwmWindow hWnd, uint32_t deviceId, void* strVer);
SwmStatus SWM_CALL GetErrorString(SwmWindow hWnd, uint32_t deviceId, uint32_t err, char* buffer,
                                  uint32_t bufferSize, uint32_t* read);
SwmStatus SWM_CALL GetInfo(SwmWindow hWnd, uint32_t deviceId, uint32_t info, double* value);
SwmStatus SWM_CALL GetInfoString(SwmWindow hWnd, uint32_t deviceId, uint32_t info, char* buffer,
                                 uint32_t bufferSize, uint32_t* filledSize);
SwmStatus SWM_CALL SetSetting(SwmWindow hWnd, uint32_t deviceId, uint32_t setting, double value);
SwmStatus SWM_CALL SetValue(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId, void* data1,
                            void* data2);
SwmStatus SWM_CALL GetValue(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId, void* data1,
                            void* data2);
SwmStatus SWM_CALL GetValueString(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId,
                                  void* data1, char* buffer, uint32_t bufferSize,
                                  uint32_t* filledSize);

#ifdef __cplusplus
}
#endif
#endif

# The codec's linked-audio face.
set(CODEC_AUDIO_MEDIA_DIR ${QUORL_MEDIA_DIR}/codec-audio)
add_test(NAME codec_audio_media COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/AudioMakeMedia.sh ${CODEC_AUDIO_MEDIA_DIR})
set_tests_properties(codec_audio_media PROPERTIES FIXTURES_SETUP codec_audio_media TIMEOUT 300)

# Registers the built codec's audio face in the test prefix before the
# programs that read links through the system's ACM start, and removes it
# once they are done.
add_executable(codec_acm_register AcmRegister.cpp)
target_include_directories(codec_acm_register PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(codec_acm_register PRIVATE advapi32)
add_dependencies(codec_acm_register avishim)
add_test(NAME codec_acm_register COMMAND codec_acm_register)
add_test(NAME codec_acm_unregister COMMAND codec_acm_register /u)
set_tests_properties(codec_acm_register codec_acm_unregister PROPERTIES
  ENVIRONMENT "${QUORL_TEST_ENVIRONMENT}" FIXTURES_REQUIRED wine)
set_tests_properties(codec_acm_register PROPERTIES FIXTURES_SETUP codec_acm_registered)
set_tests_properties(codec_acm_unregister PROPERTIES FIXTURES_CLEANUP codec_acm_registered)

add_library(quorl_codec_audio_test_support STATIC AudioReadback.cpp)
target_link_libraries(quorl_codec_audio_test_support PUBLIC quorl_test_support quorl_core)

quorl_add_test(codec_audio_parser_test SOURCES AudioLinkParserTest.cpp)
quorl_add_test(codec_acm_driver_test SOURCES AcmDriverTest.cpp
  FIXTURES codec_audio_media opendml_source LIBS quorl_codec_audio_test_support LOCKS registry)
quorl_add_test(codec_audio_play_test SOURCES AudioPlaybackTest.cpp
  FIXTURES codec_audio_media codec_acm_registered LIBS quorl_codec_audio_test_support
  LOCKS registry)
